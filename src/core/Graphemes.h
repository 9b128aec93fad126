#pragma once

#include <QString>
#include <QStringView>

/// Counting and cutting text by user-perceived characters (grapheme
/// clusters), so that a cap never splits an accented letter or an emoji.
namespace Graphemes {

/// Number of user-perceived characters in `text`.
qsizetype count(QStringView text);

/// True when `text` has more than `limit` user-perceived characters; stops
/// counting at the first one past the limit.
bool exceeds(QStringView text, qsizetype limit);

/// The first `limit` user-perceived characters of `text`.
QString left(QStringView text, qsizetype limit);

} // namespace Graphemes
