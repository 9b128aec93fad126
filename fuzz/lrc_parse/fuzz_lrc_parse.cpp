// Fuzzes the LRC parser. Besides memory errors it checks the document's
// invariants and, for inputs small enough to be quick, compares the lines with
// a slow reference that follows the format's rules literally (regular
// expressions, whole-text cuts), so the hand-written tag scanner and the
// incremental merge cannot drift from them.
//
// Run: build-fuzz/fuzz/lrc_parse/fuzz_lrc_parse -dict=fuzz/lrc_parse/lrc.dict
//        -max_total_time=180 CORPUS_DIR fuzz/lrc_parse/corpus

#include "core/Graphemes.h"
#include "lyrics/LyricsDocument.h"

#include <QRegularExpression>
#include <QString>

#include <algorithm>
#include <cmath>
#include <cstdint>
#include <cstdlib>
#include <vector>

namespace {

QList<LyricsLine> referenceLines(const QString &text)
{
    if (text.toUtf8().size() > LyricsDocument::kMaxSyncedBytes)
        return {};
    const QRegularExpression timeTag(
        QStringLiteral("\\[(\\d{1,3}):(\\d{2})(?:[.:](\\d{1,3}))?\\]"));
    const QRegularExpression offsetTag(QStringLiteral("\\[offset:([+-]?\\d+)\\]"),
                                       QRegularExpression::CaseInsensitiveOption);
    const QRegularExpression lineBreak(
        QStringLiteral("[\\x{000A}-\\x{000D}\\x{0085}\\x{2028}\\x{2029}]"));
    const QRegularExpression outerBlanks(QStringLiteral("^[\\t\\p{Zs}]+|[\\t\\p{Zs}]+$"));

    double offset = 0;
    if (const QRegularExpressionMatch match = offsetTag.match(text); match.hasMatch())
        offset = std::strtod(match.captured(1).toLatin1().constData(), nullptr) / 1000;
    if (!std::isfinite(offset) || std::abs(offset) > 3'600)
        return {};

    struct Entry
    {
        double time;
        QString text;
    };
    std::vector<Entry> entries;
    const QStringList lines = text.split(lineBreak);
    for (qsizetype n = 0; n < std::min<qsizetype>(lines.size(), 2'000); ++n) {
        const QString &line = lines[n];
        QList<QRegularExpressionMatch> matches;
        for (auto it = timeTag.globalMatch(line); it.hasNext();)
            matches.append(it.next());
        if (matches.isEmpty() || matches.first().capturedStart() != 0)
            continue;
        QString words = line.mid(matches.last().capturedEnd());
        words.remove(outerBlanks);
        words = Graphemes::left(words, 1'000);
        for (qsizetype i = 0; i < std::min<qsizetype>(matches.size(), 20); ++i) {
            const QRegularExpressionMatch &m = matches[i];
            const int minutes = m.captured(1).toInt();
            const int seconds = m.captured(2).toInt();
            if (seconds >= 60)
                continue;
            const double fraction =
                m.captured(3).isEmpty()
                    ? 0
                    : std::strtod(("0." + m.captured(3)).toLatin1().constData(), nullptr);
            entries.push_back({std::max(0.0, minutes * 60.0 + seconds + fraction + offset), words});
        }
    }
    std::stable_sort(entries.begin(), entries.end(),
                     [](const Entry &a, const Entry &b) { return a.time < b.time; });
    QList<LyricsLine> out;
    for (const Entry &entry : entries) {
        if (!out.isEmpty() && out.last().time == entry.time) {
            if (entry.text.isEmpty() || entry.text == out.last().text)
                continue;
            out.last().text = Graphemes::left(out.last().text + u'\n' + entry.text, 1'000);
            continue;
        }
        out.append(LyricsLine{out.size(), entry.time, entry.text});
    }
    return out;
}

void require(bool condition)
{
    if (!condition)
        std::abort();
}

} // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t *data, size_t size)
{
    // The first byte picks how the rest is read: UTF-8 (as the service sends
    // it) or raw UTF-16, which also reaches lone surrogates.
    if (size == 0)
        return 0;
    const bool utf16 = data[0] & 1;
    const char *bytes = reinterpret_cast<const char *>(data + 1);
    const qsizetype length = qsizetype(size - 1);
    const QString text = utf16 ? QString(reinterpret_cast<const QChar *>(bytes), length / 2)
                               : QString::fromUtf8(bytes, length);

    const LyricsDocument document(text, text, data[0] & 2);
    const QList<LyricsLine> &lines = document.lines();
    for (qsizetype i = 0; i < lines.size(); ++i) {
        require(lines[i].id == i);
        require(std::isfinite(lines[i].time) && lines[i].time >= 0);
        require(i == 0 || lines[i - 1].time < lines[i].time);
        require(!Graphemes::exceeds(lines[i].text, LyricsDocument::kMaxLineCharacters));
        require(document.activeIndex(lines[i].time) == i);
    }
    require(!Graphemes::exceeds(document.plainText(), LyricsDocument::kMaxPlainCharacters));
    require(document.plainText() == document.plainText().trimmed());

    if (size <= 16'384)
        require(lines == referenceLines(text));
    return 0;
}
