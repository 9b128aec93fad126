#include "core/Graphemes.h"

#include <QTextBoundaryFinder>

#include <limits>
#include <utility>

namespace {

// Walks grapheme boundaries; returns the offset after `limit` clusters (or the
// end) and the number of clusters seen, stopping once `limit` is passed.
std::pair<qsizetype, qsizetype> walk(QStringView text, qsizetype limit)
{
    if (text.isEmpty())
        return {0, 0};
    QTextBoundaryFinder finder(QTextBoundaryFinder::Grapheme, text.data(), text.size());
    qsizetype clusters = 0;
    qsizetype offset = 0;
    while (clusters < limit) {
        const qsizetype next = finder.toNextBoundary();
        if (next < 0)
            break;
        offset = next;
        ++clusters;
    }
    return {offset, clusters};
}

} // namespace

namespace Graphemes {

qsizetype count(QStringView text)
{
    return walk(text, std::numeric_limits<qsizetype>::max()).second;
}

bool exceeds(QStringView text, qsizetype limit)
{
    if (limit < 0)
        return true;
    return walk(text, limit + 1).second > limit;
}

QString left(QStringView text, qsizetype limit)
{
    if (limit <= 0)
        return {};
    return text.left(walk(text, limit).first).toString();
}

} // namespace Graphemes
