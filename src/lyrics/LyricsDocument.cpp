#include "lyrics/LyricsDocument.h"

#include "core/Graphemes.h"

#include <QRegularExpression>

#include <algorithm>
#include <array>
#include <cmath>
#include <vector>

namespace {

// UTF-8 size of `text`, counted without converting it; stops once past `limit`
// so an oversized reply costs no more than the cap.
qsizetype utf8Size(QStringView text, qsizetype limit)
{
    qsizetype bytes = 0;
    const qsizetype n = text.size();
    for (qsizetype i = 0; i < n && bytes <= limit; ++i) {
        const char16_t c = text[i].unicode();
        if (c < 0x80) {
            bytes += 1;
        } else if (c < 0x800) {
            bytes += 2;
        } else if (QChar::isHighSurrogate(c) && i + 1 < n &&
                   QChar::isLowSurrogate(text[i + 1].unicode())) {
            bytes += 4;
            ++i;
        } else {
            bytes += 3; // a lone surrogate is written as U+FFFD
        }
    }
    return bytes;
}

bool isLineBreak(char16_t c)
{
    return (c >= 0x0A && c <= 0x0D) || c == 0x85 || c == 0x2028 || c == 0x2029;
}

bool isHorizontalSpace(QChar c)
{
    return c == u'\t' || c.category() == QChar::Separator_Space;
}

bool isDigit(QChar c)
{
    return c >= u'0' && c <= u'9';
}

QStringView trimmedHorizontally(QStringView text)
{
    qsizetype begin = 0;
    qsizetype end = text.size();
    while (begin < end && isHorizontalSpace(text[begin]))
        ++begin;
    while (end > begin && isHorizontalSpace(text[end - 1]))
        --end;
    return text.sliced(begin, end - begin);
}

struct TimeTag
{
    qsizetype end = 0; // index just past the closing bracket
    int minutes = 0;
    int seconds = 0;
    double fraction = 0;
};

// Matches the time tag \[(\d{1,3}):(\d{2})(?:[.:](\d{1,3}))?\] starting exactly
// at `at`. Written out by hand because every text line is scanned for tags and a
// regular expression per line would dominate the worst-case parse.
std::optional<TimeTag> matchTimeTag(QStringView line, qsizetype at)
{
    const qsizetype n = line.size();
    if (at >= n || line[at] != u'[')
        return std::nullopt;
    TimeTag tag;
    qsizetype i = at + 1;
    const qsizetype minutesStart = i;
    while (i < n && isDigit(line[i]) && i - minutesStart <= 3)
        tag.minutes = tag.minutes * 10 + (line[i++].unicode() - u'0');
    const qsizetype minuteDigits = i - minutesStart;
    if (minuteDigits < 1 || minuteDigits > 3 || i >= n || line[i] != u':')
        return std::nullopt;
    ++i;
    if (i + 2 > n || !isDigit(line[i]) || !isDigit(line[i + 1]))
        return std::nullopt;
    tag.seconds = (line[i].unicode() - u'0') * 10 + (line[i + 1].unicode() - u'0');
    i += 2;
    if (i < n && line[i] == u']') {
        tag.end = i + 1;
        return tag;
    }
    if (i >= n || (line[i] != u'.' && line[i] != u':'))
        return std::nullopt;
    ++i;
    const qsizetype fractionStart = i;
    int digits = 0;
    while (i < n && isDigit(line[i]) && i - fractionStart <= 3)
        digits = digits * 10 + (line[i++].unicode() - u'0');
    const qsizetype fractionDigits = i - fractionStart;
    if (fractionDigits < 1 || fractionDigits > 3 || i >= n || line[i] != u']')
        return std::nullopt;
    // digits / 10^k is the correctly rounded value of "0.<digits>".
    static constexpr std::array<double, 4> kScale{1, 10, 100, 1000};
    tag.fraction = digits / kScale[fractionDigits];
    tag.end = i + 1;
    return tag;
}

// The first offset tag anywhere in the text, in seconds; 0 without one, none
// when it is beyond the allowed shift (the whole text is then ignored).
std::optional<double> offsetSeconds(QStringView text)
{
    const QRegularExpression offsetTag(QStringLiteral("\\[offset:([+-]?\\d+)\\]"),
                                       QRegularExpression::CaseInsensitiveOption);
    const QRegularExpressionMatch match = offsetTag.match(text);
    if (!match.hasMatch())
        return 0.0;
    QStringView digits = match.capturedView(1);
    double sign = 1;
    if (digits.startsWith(u'+') || digits.startsWith(u'-')) {
        sign = digits.front() == u'-' ? -1 : 1;
        digits = digits.sliced(1);
    }
    double milliseconds = 0;
    for (QChar c : digits)
        milliseconds = milliseconds * 10 + (c.unicode() - u'0');
    const double seconds = sign * milliseconds / 1000;
    if (!std::isfinite(seconds) || std::abs(seconds) > LyricsDocument::kMaxOffsetSeconds)
        return std::nullopt;
    return seconds;
}

struct SourceText
{
    QString text;
    qsizetype characters = 0;
};

struct Entry
{
    double time = 0;
    qsizetype source = 0; // index into the source texts
};

void parseLine(QStringView line, double offset, std::vector<SourceText> &sources,
               std::vector<Entry> &entries)
{
    // A line must start with its first tag: leading blanks or words disqualify it.
    const std::optional<TimeTag> first = matchTimeTag(line, 0);
    if (!first)
        return;
    std::array<TimeTag, LyricsDocument::kMaxTagsPerLine> tags;
    qsizetype tagCount = 0;
    tags[tagCount++] = *first;
    qsizetype textStart = first->end;
    qsizetype at = textStart;
    while ((at = line.indexOf(u'[', at)) >= 0) {
        const std::optional<TimeTag> tag = matchTimeTag(line, at);
        if (!tag) {
            ++at;
            continue;
        }
        if (tagCount < LyricsDocument::kMaxTagsPerLine)
            tags[tagCount++] = *tag;
        textStart = at = tag->end;
    }

    const QStringView words = trimmedHorizontally(line.sliced(textStart));
    SourceText source;
    if (Graphemes::exceeds(words, LyricsDocument::kMaxLineCharacters)) {
        source.text = Graphemes::left(words, LyricsDocument::kMaxLineCharacters);
        source.characters = LyricsDocument::kMaxLineCharacters;
    } else {
        source.text = words.toString();
        source.characters = Graphemes::count(words);
    }
    const qsizetype sourceIndex = qsizetype(sources.size());
    sources.push_back(std::move(source));

    for (qsizetype i = 0; i < tagCount; ++i) {
        const TimeTag &tag = tags[i];
        if (tag.seconds >= 60)
            continue;
        double time = tag.minutes * 60.0 + tag.seconds + tag.fraction + offset;
        if (time < 0)
            time = 0;
        entries.push_back({time, sourceIndex});
    }
}

} // namespace

LyricsDocument::LyricsDocument(const std::optional<QString> &synced,
                               const std::optional<QString> &plain, bool instrumental)
    : m_lines(synced ? parse(*synced) : QList<LyricsLine>{}), m_instrumental(instrumental)
{
    if (plain) {
        m_plainText = plain->trimmed();
        // A cluster has at least one code unit, so a short text needs no count.
        if (m_plainText.size() > kMaxPlainCharacters)
            m_plainText = Graphemes::left(m_plainText, kMaxPlainCharacters);
    }
}

std::optional<qsizetype> LyricsDocument::activeIndex(double position) const
{
    if (!std::isfinite(position) || m_lines.isEmpty() || position < m_lines.constFirst().time)
        return std::nullopt;
    const auto next =
        std::upper_bound(m_lines.cbegin(), m_lines.cend(), position,
                         [](double at, const LyricsLine &line) { return at < line.time; });
    return qsizetype(next - m_lines.cbegin()) - 1;
}

QList<LyricsLine> LyricsDocument::parse(QStringView synced)
{
    if (utf8Size(synced, kMaxSyncedBytes) > kMaxSyncedBytes)
        return {};
    const std::optional<double> offset = offsetSeconds(synced);
    if (!offset)
        return {};

    std::vector<SourceText> sources;
    std::vector<Entry> entries;
    const qsizetype n = synced.size();
    qsizetype start = 0;
    for (qsizetype examined = 0; examined < kMaxExaminedLines; ++examined) {
        qsizetype end = start;
        while (end < n && !isLineBreak(synced[end].unicode()))
            ++end;
        parseLine(synced.sliced(start, end - start), *offset, sources, entries);
        if (end >= n)
            break;
        start = end + 1;
    }

    std::stable_sort(entries.begin(), entries.end(),
                     [](const Entry &a, const Entry &b) { return a.time < b.time; });

    // Same-time entries merge into one line. A line feed always ends a
    // user-perceived character, so the joined text's count is the sum of its
    // parts and only the part that crosses the cap needs cutting.
    QList<LyricsLine> lines;
    lines.reserve(qsizetype(entries.size()));
    qsizetype lastCharacters = 0;
    for (const Entry &entry : entries) {
        const SourceText &source = sources[size_t(entry.source)];
        if (lines.isEmpty() || lines.last().time != entry.time) {
            lines.append(LyricsLine{lines.size(), entry.time, source.text});
            lastCharacters = source.characters;
            continue;
        }
        LyricsLine &last = lines.last();
        if (source.text.isEmpty() || source.text == last.text)
            continue;
        const qsizetype room = kMaxLineCharacters - lastCharacters - 1;
        if (room < 0)
            continue;
        last.text += u'\n';
        if (source.characters <= room) {
            last.text += source.text;
            lastCharacters += 1 + source.characters;
        } else {
            last.text += Graphemes::left(source.text, room);
            lastCharacters = kMaxLineCharacters;
        }
    }
    lines.squeeze();
    return lines;
}
