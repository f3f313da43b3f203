// The filter text ("Hidden = false and Age > 30") and its test on a stored row.

#include "filter.h"

#include "text_util.h"

#include <cctype>

namespace vcl {

FilterExpr ParseFilter(const std::string& source)
{
    FilterExpr expr;
    const std::string& s = source;
    size_t i = 0;
    auto fail = [&](const std::string& why) -> FilterExpr {
        throw EDatabaseError("Invalid filter expression \"" + source + "\": " + why);
    };
    auto skipSpace = [&] {
        while (i < s.size() && std::isspace(static_cast<unsigned char>(s[i])))
            ++i;
    };
    auto word = [&]() -> std::string {
        skipSpace();
        size_t b = i;
        if (i < s.size() && s[i] == '[') {
            size_t e = s.find(']', i);
            if (e == std::string::npos)
                fail("missing ]");
            i = e + 1;
            return s.substr(b + 1, e - b - 1);
        }
        while (i < s.size() && (std::isalnum(static_cast<unsigned char>(s[i])) || s[i] == '_'))
            ++i;
        return s.substr(b, i - b);
    };
    skipSpace();
    if (i >= s.size())
        return expr;
    expr.anyOf.emplace_back();
    while (true) {
        FilterCondition cond;
        cond.field = word();
        if (cond.field.empty())
            fail("field name expected");
        skipSpace();
        auto take = [&](const char* op) {
            size_t n = std::char_traits<char>::length(op);
            if (s.compare(i, n, op) == 0) {
                i += n;
                return true;
            }
            return false;
        };
        if (take("<>") || take("!="))
            cond.op = FilterCondition::Ne;
        else if (take("<="))
            cond.op = FilterCondition::Le;
        else if (take(">="))
            cond.op = FilterCondition::Ge;
        else if (take("="))
            cond.op = FilterCondition::Eq;
        else if (take("<"))
            cond.op = FilterCondition::Lt;
        else if (take(">"))
            cond.op = FilterCondition::Gt;
        else
            fail("comparison operator expected after " + cond.field);
        skipSpace();
        if (i < s.size() && s[i] == '\'') {
            std::string value;
            ++i;
            while (true) {
                if (i >= s.size())
                    fail("unterminated string");
                if (s[i] == '\'') {
                    if (i + 1 < s.size() && s[i + 1] == '\'') {
                        value += '\'';
                        i += 2;
                        continue;
                    }
                    ++i;
                    break;
                }
                value += s[i++];
            }
            cond.value = QString::fromStdString(value);
        } else {
            size_t b = i;
            if (i < s.size() && (s[i] == '-' || s[i] == '+'))
                ++i;
            while (i < s.size() && (std::isalnum(static_cast<unsigned char>(s[i])) || s[i] == '.'))
                ++i;
            std::string literal = s.substr(b, i - b);
            std::string lower = text::Lower(literal);
            if (lower == "true")
                cond.value = true;
            else if (lower == "false")
                cond.value = false;
            else if (lower == "null")
                cond.value = QVariant();
            else {
                bool ok = false;
                QString q = QString::fromStdString(literal);
                qlonglong n = q.toLongLong(&ok);
                if (ok)
                    cond.value = n;
                else {
                    double d = q.toDouble(&ok);
                    if (!ok)
                        fail("value expected after " + cond.field);
                    cond.value = d;
                }
            }
        }
        expr.anyOf.back().push_back(std::move(cond));
        skipSpace();
        if (i >= s.size())
            break;
        std::string conj = text::Lower(word());
        if (conj == "and")
            continue;
        if (conj == "or") {
            expr.anyOf.emplace_back();
            continue;
        }
        fail("'and' or 'or' expected");
    }
    return expr;
}

bool ConditionHolds(const store::RowStore& s, int col, uint32_t rec, const FilterCondition& c)
{
    const bool null = s.isNull(col, rec);
    if (c.value.isNull()) {
        bool eq = null;
        return c.op == FilterCondition::Ne ? !eq : (c.op == FilterCondition::Eq ? eq : false);
    }
    if (null)
        return false;
    int cmp = 0;
    switch (s.kind(col)) {
    case store::Kind::Int:
    case store::Kind::Bool:
    case store::Kind::Double: {
        double left = s.kind(col) == store::Kind::Double ? s.getDouble(col, rec)
                                                         : static_cast<double>(s.getInt(col, rec));
        if (s.kind(col) == store::Kind::Bool)
            left = s.getBool(col, rec) ? 1 : 0;
        double right = 0;
        if (c.value.typeId() == QMetaType::Bool) {
            right = c.value.toBool() ? 1 : 0;
        } else {
            bool ok = false;
            right = c.value.toDouble(&ok);
            if (!ok) {
                QString t = c.value.toString().trimmed().toLower();
                if (t == u"true" || t == u"t")
                    right = 1;
                else if (t == u"false" || t == u"f")
                    right = 0;
                else
                    return c.op == FilterCondition::Ne;
            }
        }
        cmp = left < right ? -1 : (left > right ? 1 : 0);
        break;
    }
    default: {
        auto v = s.getText(col, rec);
        if (c.value.typeId() == QMetaType::Bool) {
            // Some drivers deliver booleans as text ("1", "t", "true").
            QString t
                = QString::fromUtf8(v.data(), static_cast<qsizetype>(v.size())).trimmed().toLower();
            bool b = t == u"1" || t == u"t" || t == u"true" || t == u"y" || t == u"yes";
            bool want = c.value.toBool();
            cmp = b == want ? 0 : (b ? 1 : -1);
            break;
        }
        QByteArray right = c.value.typeId() == QMetaType::Bool
            ? QByteArray(c.value.toBool() ? "True" : "False")
            : c.value.toString().toUtf8();
        int r = std::string_view(v).compare(
            std::string_view(right.constData(), static_cast<size_t>(right.size())));
        cmp = r < 0 ? -1 : (r > 0 ? 1 : 0);
    }
    }
    switch (c.op) {
    case FilterCondition::Eq:
        return cmp == 0;
    case FilterCondition::Ne:
        return cmp != 0;
    case FilterCondition::Lt:
        return cmp < 0;
    case FilterCondition::Gt:
        return cmp > 0;
    case FilterCondition::Le:
        return cmp <= 0;
    case FilterCondition::Ge:
        return cmp >= 0;
    }
    return false;
}

} // namespace vcl
