#include "wardlock/data/strings.h"

#include "text_util.h"
#include "wardlock/data/db.h"

namespace vcl {

TStrings& TStrings::operator=(const TStrings& other)
{
    if (this != &other) {
        lines_ = other.lines_;
        Changed();
    }
    return *this;
}

const std::string& TStrings::Strings(int index) const
{
    if (index < 0 || index >= Count())
        throw EDatabaseError("List index out of bounds (" + std::to_string(index) + ")");
    return lines_[static_cast<size_t>(index)];
}

void TStrings::SetStrings(int index, const std::string& line)
{
    Strings(index);
    lines_[static_cast<size_t>(index)] = line;
    Changed();
}

int TStrings::Add(const std::string& line)
{
    lines_.push_back(line);
    Changed();
    return Count() - 1;
}

void TStrings::Insert(int index, const std::string& line)
{
    if (index < 0 || index > Count())
        throw EDatabaseError("List index out of bounds (" + std::to_string(index) + ")");
    lines_.insert(lines_.begin() + index, line);
    Changed();
}

void TStrings::Delete(int index)
{
    Strings(index);
    lines_.erase(lines_.begin() + index);
    Changed();
}

void TStrings::Clear()
{
    if (lines_.empty())
        return;
    lines_.clear();
    Changed();
}

int TStrings::IndexOf(const std::string& line) const
{
    for (size_t i = 0; i < lines_.size(); ++i)
        if (lines_[i] == line)
            return static_cast<int>(i);
    return -1;
}

std::string TStrings::Text() const
{
    std::string text;
    for (const auto& line : lines_) {
        text += line;
        text += '\n';
    }
    return text;
}

void TStrings::SetText(const std::string& text)
{
    lines_.clear();
    size_t start = 0;
    while (start < text.size()) {
        size_t end = text.find('\n', start);
        if (end == std::string::npos)
            end = text.size();
        std::string line = text.substr(start, end - start);
        if (!line.empty() && line.back() == '\r')
            line.pop_back();
        lines_.push_back(std::move(line));
        start = end + 1;
    }
    Changed();
}

int TStrings::IndexOfName(const std::string& name) const
{
    for (size_t i = 0; i < lines_.size(); ++i) {
        size_t eq = lines_[i].find('=');
        if (eq != std::string::npos && text::EqualsNoCase(lines_[i].substr(0, eq), name))
            return static_cast<int>(i);
    }
    return -1;
}

std::string TStrings::Names(int index) const
{
    const std::string& line = Strings(index);
    size_t eq = line.find('=');
    return eq == std::string::npos ? std::string() : line.substr(0, eq);
}

std::string TStrings::Values(const std::string& name) const
{
    int index = IndexOfName(name);
    if (index < 0)
        return {};
    const std::string& line = lines_[static_cast<size_t>(index)];
    return line.substr(line.find('=') + 1);
}

void TStrings::SetValues(const std::string& name, const std::string& value)
{
    int index = IndexOfName(name);
    if (value.empty()) {
        if (index >= 0)
            Delete(index);
        return;
    }
    if (index >= 0)
        SetStrings(index, name + "=" + value);
    else
        Add(name + "=" + value);
}

void TStrings::Changed()
{
    if (OnChange)
        OnChange();
}

} // namespace vcl
