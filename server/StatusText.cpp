#include "server/StatusText.h"

#include <QStringList>

namespace
{

bool isBreakChar(QChar c)
{
    return c == u' ' || c == u'-' || c == u'\t';
}

bool isBlank(QChar c)
{
    return c == u' ' || c == u'\t';
}

// Length of line[start..end) without the blanks it ends in.
qsizetype trimmedLength(const QString& line, qsizetype start, qsizetype end)
{
    while (end > start && isBlank(line[end - 1]))
        --end;
    return end - start;
}

// Where the line that starts at start should end (exclusive), or -1 when it cannot be broken:
// after the last break character that keeps the line within maxColumns, else after the first one.
qsizetype breakAfter(const QString& line, qsizetype start, int maxColumns)
{
    qsizetype best = -1;
    QChar quote;
    for (qsizetype i = start; i < line.size(); ++i) {
        const QChar c = line[i];
        if (!quote.isNull()) {
            if (c == quote)
                quote = QChar();
            continue;
        }
        if (c == u'\'' || c == u'"') {
            quote = c;
            continue;
        }
        if (!isBreakChar(c) || i == start)
            continue;
        if (trimmedLength(line, start, i + 1) > maxColumns)
            return best >= 0 ? best : i + 1;
        best = i + 1;
    }
    return best;
}

QStringList wrapLine(const QString& line, int maxColumns)
{
    QStringList lines;
    qsizetype start = 0;
    while (line.size() - start > maxColumns) {
        const qsizetype end = breakAfter(line, start, maxColumns);
        if (end < 0 || end >= line.size())
            break;
        lines << line.mid(start, trimmedLength(line, start, end));
        start = end;
        while (start < line.size() && isBlank(line[start]))
            ++start;
    }
    if (start < line.size() || lines.isEmpty())
        lines << line.mid(start);
    return lines;
}

QStringList splitLines(const QString& text)
{
    QString normal = text;
    normal.replace(QStringLiteral("\r\n"), QStringLiteral("\n"));
    normal.replace(u'\r', u'\n');
    return normal.split(u'\n');
}

} // namespace

QString WrapText(const QString& text, int maxColumns)
{
    QStringList lines;
    for (const QString& line : splitLines(text))
        lines << wrapLine(line, maxColumns);
    return lines.join(QStringLiteral("\r\n"));
}

QString OneLine(const QString& text)
{
    return splitLines(text).join(u' ');
}
