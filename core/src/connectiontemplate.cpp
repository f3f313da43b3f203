#include <wardlock/connectiontemplate.h>

#include <cstring>

namespace Security::ado {

namespace {

constexpr std::size_t kWideTextStart = 6;

// The UTF-16 units from `units` up to the first zero unit, or up to `end`
// when it is given.
QString WideUnits(const char* units, const char* end)
{
    std::u16string text;
    // The units may sit at an odd address: copy each one out.
    for (; !end || end - units >= static_cast<std::ptrdiff_t>(sizeof(char16_t));
         units += sizeof(char16_t)) {
        char16_t unit;
        std::memcpy(&unit, units, sizeof unit);
        if (unit == 0)
            break;
        text.push_back(unit);
    }
    return QString::fromStdU16String(text);
}

} // namespace

QString TemplateText(const char* connectionTemplate)
{
    if (!connectionTemplate)
        return {};
    // The zero byte after "%ws" tells the layout from 8-bit text that merely
    // starts with "%ws", which ends elsewhere and must not be read past.
    if (std::strncmp(connectionTemplate, "%ws", 3) != 0 || connectionTemplate[3] != '\0')
        return QString::fromUtf8(connectionTemplate);
    return WideUnits(connectionTemplate + kWideTextStart, nullptr);
}

QString TemplateText(std::string_view stored)
{
    const bool wide = stored.substr(0, 3) == "%ws" && (stored.size() == 3 || stored[3] == '\0');
    if (!wide)
        return QString::fromUtf8(stored.data(), static_cast<qsizetype>(stored.size()));
    if (stored.size() < kWideTextStart)
        return {};
    return WideUnits(stored.data() + kWideTextStart, stored.data() + stored.size());
}

std::string StoredTemplate(const char* connectionTemplate)
{
    if (!connectionTemplate)
        return {};
    if (std::strncmp(connectionTemplate, "%ws", 3) != 0 || connectionTemplate[3] != '\0')
        return connectionTemplate;
    const char* unit = connectionTemplate + kWideTextStart;
    for (;; unit += sizeof(char16_t)) {
        char16_t value;
        std::memcpy(&value, unit, sizeof value);
        if (value == 0)
            break;
    }
    return std::string(connectionTemplate, unit + sizeof(char16_t));
}

std::string WideTemplate(std::u16string_view text)
{
    std::string bytes("%ws\0\0\0", kWideTextStart);
    const std::size_t start = bytes.size();
    bytes.resize(start + (text.size() + 1) * sizeof(char16_t), '\0');
    if (!text.empty())
        std::memcpy(bytes.data() + start, text.data(), text.size() * sizeof(char16_t));
    return bytes;
}

std::optional<QString> ConnectionValue(const QString& value)
{
    const bool needsQuotes = value.contains(u';') || value.startsWith(u'"')
        || value.startsWith(u'\'')
        || (!value.isEmpty() && (value.front().isSpace() || value.back().isSpace()));
    if (!needsQuotes)
        return value;
    for (const QChar quote : { QChar(u'"'), QChar(u'\'') })
        if (!value.contains(quote))
            return quote + value + quote;
    return std::nullopt;
}

FilledTemplate FillTemplate(const QString& text, const std::vector<TemplateArgument>& arguments)
{
    FilledTemplate filled;
    std::size_t next = 0;
    for (qsizetype i = 0; i < text.size(); ++i) {
        const bool placeholder = text[i] == u'%' && i + 1 < text.size() && text[i + 1] == u's';
        if (!placeholder || next == arguments.size()) {
            filled.text += text[i];
            continue;
        }
        const TemplateArgument& argument = arguments[next++];
        std::optional<QString> value = argument.verbatim ? std::optional<QString>(argument.value)
                                                         : ConnectionValue(argument.value);
        if (!value) {
            filled.valid = false;
            value = argument.value;
        }
        filled.offsets.push_back(filled.text.size());
        filled.text += *value;
        ++i; // the 's'
    }
    return filled;
}

} // namespace Security::ado
