#pragma once
// Small text helpers shared by the dataset layer (private).

#include <QSqlError>
#include <QString>

#include <algorithm>
#include <cctype>
#include <string>
#include <string_view>
#include <vector>

namespace vcl::text {

// The database's own message when it gave one, else Qt's.
inline std::string ErrorText(const QSqlError& error)
{
    QString text = error.databaseText().trimmed();
    if (text.isEmpty())
        text = error.text().trimmed();
    return text.toStdString();
}

inline bool EqualsNoCase(std::string_view a, std::string_view b)
{
    return a.size() == b.size()
        && std::equal(a.begin(), a.end(), b.begin(),
            [](unsigned char x, unsigned char y) { return std::tolower(x) == std::tolower(y); });
}

inline std::string Lower(std::string_view s)
{
    std::string out(s);
    for (char& c : out)
        c = static_cast<char>(std::tolower(static_cast<unsigned char>(c)));
    return out;
}

inline std::string Trim(std::string_view s)
{
    size_t b = 0, e = s.size();
    while (b < e && std::isspace(static_cast<unsigned char>(s[b])))
        ++b;
    while (e > b && std::isspace(static_cast<unsigned char>(s[e - 1])))
        --e;
    return std::string(s.substr(b, e - b));
}

// "A;B; C" -> {"A","B","C"} (blank items dropped).
inline std::vector<std::string> SplitFieldList(std::string_view list)
{
    std::vector<std::string> out;
    size_t start = 0;
    while (start <= list.size()) {
        size_t end = list.find(';', start);
        if (end == std::string_view::npos)
            end = list.size();
        std::string item = Trim(list.substr(start, end - start));
        if (!item.empty())
            out.push_back(std::move(item));
        start = end + 1;
    }
    return out;
}

inline QString Q(std::string_view s)
{
    return QString::fromUtf8(s.data(), static_cast<qsizetype>(s.size()));
}
inline std::string S(const QString& s)
{
    return s.toStdString();
}

inline bool IsIdentStart(QChar c)
{
    return c.isLetter() || c == u'_';
}
inline bool IsIdentPart(QChar c)
{
    return c.isLetterOrNumber() || c == u'_';
}

} // namespace vcl::text
