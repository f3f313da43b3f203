#include "sql_script.h"

namespace Security::Schema {

namespace {

// Length of the literal, quoted identifier, dollar-quoted body or comment that
// starts at `pos`, or 0 when none starts there. An unterminated one runs to
// the end of the text.
qsizetype SkipQuoted(const QString& text, qsizetype pos)
{
    const qsizetype size = text.size();
    const QChar c = text[pos];
    auto runTo = [&](qsizetype from, const QString& end) {
        const qsizetype found = text.indexOf(end, from);
        return (found < 0 ? size : found + end.size()) - pos;
    };
    if (c == u'\'' || c == u'"') {
        // A doubled quote inside is part of the literal.
        qsizetype i = pos + 1;
        while (i < size) {
            if (text[i] == c) {
                if (i + 1 < size && text[i + 1] == c) {
                    i += 2;
                    continue;
                }
                return i + 1 - pos;
            }
            ++i;
        }
        return size - pos;
    }
    if (c == u'-' && pos + 1 < size && text[pos + 1] == u'-')
        return runTo(pos + 2, QStringLiteral("\n"));
    if (c == u'/' && pos + 1 < size && text[pos + 1] == u'*')
        return runTo(pos + 2, QStringLiteral("*/"));
    if (c == u'$') {
        // $tag$ where tag is empty or an identifier not starting with a digit.
        qsizetype i = pos + 1;
        while (i < size && (text[i].isLetterOrNumber() || text[i] == u'_'))
            ++i;
        if (i < size && text[i] == u'$' && !(i > pos + 1 && text[pos + 1].isDigit())) {
            const QString tag = text.mid(pos, i + 1 - pos);
            return runTo(i + 1, tag);
        }
    }
    return 0;
}

bool IsBlankOrComment(const QString& statement)
{
    qsizetype i = 0;
    while (i < statement.size()) {
        if (statement[i].isSpace()) {
            ++i;
            continue;
        }
        const qsizetype skipped = SkipQuoted(statement, i);
        const bool comment = statement[i] == u'-' || statement[i] == u'/';
        if (skipped == 0 || !comment)
            return false;
        i += skipped;
    }
    return true;
}

} // namespace

QStringList SplitSqlScript(const QString& script)
{
    QStringList statements;
    qsizetype start = 0;
    qsizetype i = 0;
    auto flush = [&](qsizetype end) {
        const QString statement = script.mid(start, end - start).trimmed();
        if (!IsBlankOrComment(statement))
            statements << statement;
    };
    while (i < script.size()) {
        if (const qsizetype skipped = SkipQuoted(script, i)) {
            i += skipped;
            continue;
        }
        if (script[i] == u';') {
            flush(i);
            start = i + 1;
        }
        ++i;
    }
    flush(script.size());
    return statements;
}

PositionalStatement ToPositional(const QString& statement)
{
    PositionalStatement result;
    qsizetype i = 0;
    const qsizetype size = statement.size();
    while (i < size) {
        if (const qsizetype skipped = SkipQuoted(statement, i)) {
            result.text += statement.mid(i, skipped);
            i += skipped;
            continue;
        }
        const QChar c = statement[i];
        if (c == u':' && i + 1 < size && statement[i + 1] == u':') {
            result.text += QStringLiteral("::");
            i += 2;
            continue;
        }
        if (c == u':' && i + 1 < size
            && (statement[i + 1].isLetter() || statement[i + 1] == u'_')) {
            qsizetype end = i + 1;
            while (end < size && (statement[end].isLetterOrNumber() || statement[end] == u'_'))
                ++end;
            result.names << statement.mid(i + 1, end - i - 1);
            result.text += u'?';
            i = end;
            continue;
        }
        result.text += c;
        ++i;
    }
    return result;
}

} // namespace Security::Schema
