#include "sql_text.h"

#include "text_util.h"

#include <QRegularExpression>

namespace vcl::sql {

namespace {

// Walks a statement and reports the stretches outside literals and comments.
// `onCode(i)` is called for each code position; it returns how many
// characters it consumed and appended itself (0: copy the character).
template<typename OnCode> QString Walk(const QString& in, OnCode onCode, QString& out)
{
    const qsizetype n = in.size();
    qsizetype i = 0;
    while (i < n) {
        QChar c = in[i];
        if (c == u'\'' || c == u'"') {
            // Literal or quoted identifier; a doubled quote stays inside.
            qsizetype j = i + 1;
            while (j < n) {
                if (in[j] == c) {
                    if (j + 1 < n && in[j + 1] == c) {
                        j += 2;
                        continue;
                    }
                    break;
                }
                ++j;
            }
            qsizetype end = j < n ? j + 1 : n;
            out += in.mid(i, end - i);
            i = end;
            continue;
        }
        if (c == u'-' && i + 1 < n && in[i + 1] == u'-') {
            qsizetype j = in.indexOf(u'\n', i);
            if (j < 0)
                j = n;
            out += in.mid(i, j - i);
            i = j;
            continue;
        }
        if (c == u'/' && i + 1 < n && in[i + 1] == u'*') {
            qsizetype j = in.indexOf(QStringLiteral("*/"), i + 2);
            j = j < 0 ? n : j + 2;
            out += in.mid(i, j - i);
            i = j;
            continue;
        }
        qsizetype used = onCode(i);
        if (used == 0) {
            out += c;
            ++i;
        } else {
            i += used;
        }
    }
    return out;
}

qsizetype IdentEnd(const QString& s, qsizetype from)
{
    qsizetype j = from;
    while (j < s.size() && text::IsIdentPart(s[j]))
        ++j;
    return j;
}

int FindParamIndex(const TParams& params, const QString& name)
{
    const std::string key = name.toStdString();
    for (int i = 0; i < params.Count(); ++i)
        if (text::EqualsNoCase(params[i].Name(), key))
            return i;
    return -1;
}

bool HasNamedMarkers(const QString& in)
{
    bool found = false;
    QString scratch;
    Walk(
        in,
        [&](qsizetype i) -> qsizetype {
            if (in[i] == u':') {
                if (i + 1 < in.size() && in[i + 1] == u':')
                    return 2;
                if (i + 1 < in.size() && text::IsIdentStart(in[i + 1]))
                    found = true;
            }
            return 0;
        },
        scratch);
    return found;
}

QString RewriteBrackets(const QString& in)
{
    QString out;
    Walk(
        in,
        [&](qsizetype i) -> qsizetype {
            if (in[i] != u'[')
                return 0;
            // A subscript (a[1], f(x)[2]) keeps its brackets.
            if (i > 0 && (text::IsIdentPart(in[i - 1]) || in[i - 1] == u']' || in[i - 1] == u')'))
                return 0;
            if (i + 1 >= in.size() || !text::IsIdentStart(in[i + 1]))
                return 0;
            qsizetype end = IdentEnd(in, i + 1);
            if (end >= in.size() || in[end] != u']')
                return 0;
            out += in.mid(i + 1, end - i - 1);
            return end + 1 - i;
        },
        out);
    return out;
}

QString StripTrailing(QString s)
{
    qsizetype e = s.size();
    while (e > 0 && (s[e - 1].isSpace() || s[e - 1] == u';'))
        --e;
    s.truncate(e);
    return s;
}

} // namespace

std::vector<std::string> ParamNames(const std::string& sql)
{
    const QString in = text::Q(sql);
    std::vector<std::string> names;
    QString scratch;
    Walk(
        in,
        [&](qsizetype i) -> qsizetype {
            if (in[i] != u':')
                return 0;
            if (i + 1 < in.size() && in[i + 1] == u':')
                return 2;
            if (i + 1 >= in.size() || !text::IsIdentStart(in[i + 1]))
                return 0;
            qsizetype end = IdentEnd(in, i + 1);
            std::string name = in.mid(i + 1, end - i - 1).toStdString();
            bool seen = false;
            for (const auto& n : names)
                seen = seen || text::EqualsNoCase(n, name);
            if (!seen)
                names.push_back(name);
            return end - i;
        },
        scratch);
    return names;
}

Translated Translate(const std::string& sql, const TParams& params, TSqlEngine engine)
{
    QString in = text::Q(sql);
    if (engine == TSqlEngine::PostgreSQL)
        in = RewriteBrackets(in);
    Translated result;
    if (HasNamedMarkers(in)) {
        Walk(
            in,
            [&](qsizetype i) -> qsizetype {
                if (in[i] != u':')
                    return 0;
                if (i + 1 < in.size() && in[i + 1] == u':') {
                    result.text += QStringLiteral("::");
                    return 2;
                }
                if (i + 1 >= in.size() || !text::IsIdentStart(in[i + 1]))
                    return 0;
                qsizetype end = IdentEnd(in, i + 1);
                QString name = in.mid(i + 1, end - i - 1);
                int index = FindParamIndex(params, name);
                if (index < 0)
                    throw EDatabaseError("Parameter '" + name.toStdString() + "' not found");
                result.binds.push_back(index);
                result.text += u'?';
                return end - i;
            },
            result.text);
    } else if (params.Count() > 0) {
        int next = 0;
        Walk(
            in,
            [&](qsizetype i) -> qsizetype {
                QChar c = in[i];
                if (c == u'?') {
                    if (next >= params.Count())
                        throw EDatabaseError("The statement has more parameter markers than "
                                             "parameters");
                    result.binds.push_back(next++);
                    result.text += u'?';
                    return 1;
                }
                if (!text::IsIdentStart(c))
                    return 0;
                // Whole identifiers only; a qualified name (T.pX) is a column.
                if (i > 0 && (text::IsIdentPart(in[i - 1]) || in[i - 1] == u'.'))
                    return 0;
                qsizetype end = IdentEnd(in, i);
                QString word = in.mid(i, end - i);
                if ((c == u'p' || c == u'P') && word.size() > 1) {
                    int index = FindParamIndex(params, word.mid(1));
                    if (index >= 0) {
                        result.binds.push_back(index);
                        result.text += u'?';
                        return end - i;
                    }
                }
                result.text += word;
                return end - i;
            },
            result.text);
    } else {
        result.text = in;
    }
    result.text = StripTrailing(result.text);
    return result;
}

QVariant BindValue(
    const QVariant& value, TFieldType type, TSqlEngine engine, const std::string& name)
{
    // PostgreSQL infers each parameter's type from the statement; numbers and
    // booleans sent as untyped text literals ('5', '1') are accepted in
    // integer, boolean and text positions alike, so a boolean parameter set
    // from 0/1 (or an integer one set from text) works as on SQLite.
    const bool pg = engine == TSqlEngine::PostgreSQL;
    if (value.isNull() || !value.isValid())
        return QVariant(QMetaType(QMetaType::QString));
    auto fail = [&](const char* what) -> QVariant {
        throw EConvertError("Parameter '" + name + "': '" + value.toString().toStdString()
            + "' is not a valid " + what + " value");
    };
    switch (type) {
    case ftSmallint:
    case ftInteger:
    case ftWord:
    case ftAutoInc:
    case ftLargeint: {
        qlonglong v = 0;
        if (value.typeId() == QMetaType::Bool) {
            v = value.toBool() ? 1 : 0;
        } else {
            bool ok = false;
            v = value.toString().trimmed().toLongLong(&ok);
            if (!ok) {
                double d = value.toString().trimmed().toDouble(&ok);
                if (!ok || d != static_cast<double>(static_cast<qlonglong>(d)))
                    return fail("integer");
                v = static_cast<qlonglong>(d);
            }
        }
        return pg ? QVariant(QString::number(v)) : QVariant(v);
    }
    case ftBoolean: {
        bool b = false;
        if (value.typeId() == QMetaType::Bool) {
            b = value.toBool();
        } else if (value.typeId() == QMetaType::QString
            || value.typeId() == QMetaType::QByteArray) {
            const QString s = value.toString().trimmed().toLower();
            if (s == u"true" || s == u"t" || s == u"1" || s == u"yes" || s == u"y")
                b = true;
            else if (s == u"false" || s == u"f" || s == u"0" || s == u"no" || s == u"n")
                b = false;
            else
                return fail("boolean");
        } else {
            bool ok = false;
            qlonglong v = value.toLongLong(&ok);
            if (!ok)
                return fail("boolean");
            b = v != 0;
        }
        if (pg)
            return QVariant(QString(b ? u'1' : u'0'));
        return QVariant(qlonglong(b ? 1 : 0));
    }
    case ftFloat:
    case ftCurrency:
    case ftBCD: {
        bool ok = false;
        double d = value.toDouble(&ok);
        if (!ok)
            return fail("floating point");
        return pg ? QVariant(QString::number(d, 'g', 17)) : QVariant(d);
    }
    case ftBlob:
    case ftBytes:
    case ftVarBytes:
    case ftGraphic:
    case ftTypedBinary:
        return QVariant(value.toByteArray());
    case ftUnknown: {
        // No declared type: the value's own.
        switch (value.typeId()) {
        case QMetaType::Bool:
            return BindValue(value, ftBoolean, engine, name);
        case QMetaType::Int:
        case QMetaType::UInt:
        case QMetaType::LongLong:
        case QMetaType::ULongLong:
        case QMetaType::Short:
        case QMetaType::UShort:
            return BindValue(value, ftLargeint, engine, name);
        case QMetaType::Double:
        case QMetaType::Float:
            return BindValue(value, ftFloat, engine, name);
        case QMetaType::QByteArray:
            return BindValue(value, ftBlob, engine, name);
        default:
            return QVariant(value.toString());
        }
    }
    default:
        if (value.typeId() == QMetaType::Bool)
            return QVariant(QString::fromLatin1(value.toBool() ? "True" : "False"));
        if (value.typeId() == QMetaType::QByteArray)
            return QVariant(QString::fromLatin1(value.toByteArray()));
        return QVariant(value.toString());
    }
}

QVariant BindValue(const TParam& param, TSqlEngine engine)
{
    return BindValue(param.Value(), param.DataType(), engine, param.Name());
}

std::string SingleTable(const std::string& sqlText)
{
    QString s = StripTrailing(text::Q(sqlText)).simplified();
    static const QRegularExpression select(
        QStringLiteral("^select\\s+(.*)\\s+from\\s+([A-Za-z_][A-Za-z0-9_]*)"
                       "(\\s+(where|order\\s+by)\\s.*)?$"),
        QRegularExpression::CaseInsensitiveOption | QRegularExpression::DotMatchesEverythingOption);
    auto m = select.match(s);
    if (!m.hasMatch())
        return {};
    static const QRegularExpression notLive(
        QStringLiteral("\\b(join|group\\s+by|having|union|distinct|intersect|except|limit)\\b|,\\s*"
                       "[A-Za-z_][A-Za-z0-9_]*\\s*(where|order|$)"),
        QRegularExpression::CaseInsensitiveOption);
    if (notLive.match(s).hasMatch())
        return {};
    // A sub-select in the column list or the condition makes it a join.
    if (s.count(QRegularExpression(
            QStringLiteral("\\bselect\\b"), QRegularExpression::CaseInsensitiveOption))
        != 1)
        return {};
    return m.captured(2).toStdString();
}

} // namespace vcl::sql
