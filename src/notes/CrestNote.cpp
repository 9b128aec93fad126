#include "notes/CrestNote.h"

#include "core/Graphemes.h"

namespace {

constexpr qsizetype kTitleLength = 60;

// Every character that ends a line: LF, VT, FF, CR, NEL and the Unicode line
// and paragraph separators.
bool isLineBreak(QChar c)
{
    const char16_t u = c.unicode();
    return (u >= 0x0a && u <= 0x0d) || u == 0x85 || u == 0x2028 || u == 0x2029;
}

bool isHorizontalSpace(QChar c)
{
    return c == u' ' || c == u'\t';
}

} // namespace

QString CrestNote::title() const
{
    const QStringView text(content);
    qsizetype start = 0;
    while (start <= text.size()) {
        qsizetype end = start;
        while (end < text.size() && !isLineBreak(text[end]))
            ++end;
        QStringView line = text.sliced(start, end - start);
        while (!line.isEmpty() && isHorizontalSpace(line.front()))
            line = line.sliced(1);
        while (!line.isEmpty() && isHorizontalSpace(line.back()))
            line.chop(1);
        if (!line.isEmpty())
            return Graphemes::left(line, kTitleLength);
        start = end + 1;
    }
    return QStringLiteral("Untitled note");
}
