#include "skin/ElideText.h"

namespace {

const QString ELLIPSIS(QChar(0x2026));

// Where the parenthesised groups that end the text begin (at the blank before the first of them);
// -1 when the text does not end with one or has nothing before them.
qsizetype TrailingGroupsStart(const QString& text)
{
    qsizetype end = text.size();
    qsizetype start = -1;
    while (end > 0 && text[end - 1] == QLatin1Char(')')) {
        int depth = 0;
        qsizetype open = end - 1;
        for (; open >= 0; --open) {
            if (text[open] == QLatin1Char(')'))
                ++depth;
            else if (text[open] == QLatin1Char('(') && --depth == 0)
                break;
        }
        if (open <= 0 || text[open - 1] != QLatin1Char(' '))
            break;
        end = open - 1;
        while (end > 0 && text[end - 1] == QLatin1Char(' '))
            --end;
        start = end;
    }
    return start > 0 ? start : -1;
}

// The longest beginning of text that fits width, without blanks at its end.
QString HeadWithin(const QString& text, const QFontMetrics& metrics, int width)
{
    qsizetype length = 0;
    while (length < text.size() && metrics.horizontalAdvance(text.left(length + 1)) <= width)
        ++length;
    return text.left(length).trimmed();
}

// The longest end of text that fits width.
QString TailWithin(const QString& text, const QFontMetrics& metrics, int width)
{
    qsizetype length = 0;
    while (length < text.size() && metrics.horizontalAdvance(text.right(length + 1)) <= width)
        ++length;
    return text.right(length);
}

} // namespace

QString ElideKeepingEnd(const QString& text, const QFontMetrics& metrics, int width)
{
    if (metrics.horizontalAdvance(text) <= width)
        return text;
    const int ellipsis = metrics.horizontalAdvance(ELLIPSIS);
    const qsizetype groups = TrailingGroupsStart(text);
    if (groups > 0) {
        // Only with enough of the beginning left to recognise the name by.
        const QString end = text.mid(groups);
        const int room = width - ellipsis - metrics.horizontalAdvance(end);
        if (room >= width / 4)
            return HeadWithin(text.left(groups), metrics, room) + ELLIPSIS + end;
    }
    const QString head = HeadWithin(text, metrics, width / 3);
    const QString tail = TailWithin(text, metrics, width - ellipsis - metrics.horizontalAdvance(head));
    return head + ELLIPSIS + tail;
}
