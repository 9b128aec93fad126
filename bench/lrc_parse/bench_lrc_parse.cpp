// Times the LRC parser on the worst inputs its caps allow and on a typical
// song, and counts heap allocations made by activeIndex (there must be none).
// Run: build/bench/lrc_parse/bench_lrc_parse

#include "lyrics/LyricsDocument.h"

#include <QString>

#include <algorithm>
#include <atomic>
#include <chrono>
#include <cstdio>
#include <cstdlib>
#include <new>
#include <vector>

namespace {
std::atomic<long long> g_allocations{0};
}

void *operator new(std::size_t size)
{
    g_allocations.fetch_add(1, std::memory_order_relaxed);
    if (void *p = std::malloc(size ? size : 1))
        return p;
    throw std::bad_alloc();
}
void *operator new[](std::size_t size)
{
    return operator new(size);
}
void operator delete(void *p) noexcept
{
    std::free(p);
}
void operator delete[](void *p) noexcept
{
    std::free(p);
}
void operator delete(void *p, std::size_t) noexcept
{
    std::free(p);
}
void operator delete[](void *p, std::size_t) noexcept
{
    std::free(p);
}

namespace {

QString tag(int hundredths)
{
    return QStringLiteral("[%1:%2.%3]")
        .arg(hundredths / 6000, 2, 10, QChar(u'0'))
        .arg(hundredths / 100 % 60, 2, 10, QChar(u'0'))
        .arg(hundredths % 100, 2, 10, QChar(u'0'));
}

// Pads every line's words so the whole text ends just under the size cap.
QString fillToCap(const std::vector<QString> &tagPrefixes, QChar filler)
{
    qsizetype tagBytes = 0;
    for (const QString &prefix : tagPrefixes)
        tagBytes += prefix.toUtf8().size() + 1;
    const qsizetype perLine = (LyricsDocument::kMaxSyncedBytes - tagBytes) /
                              qsizetype(tagPrefixes.size()) / QString(filler).toUtf8().size();
    QString text;
    for (size_t i = 0; i < tagPrefixes.size(); ++i) {
        QString words = QString::number(i) + QString(perLine, filler);
        words.truncate(perLine);
        text += tagPrefixes[i] + words + u'\n';
    }
    return text;
}

// 2,000 lines x 20 tags, every tag a different time, words up to the size cap.
QString distinctTimes()
{
    std::vector<QString> prefixes;
    for (int line = 0; line < LyricsDocument::kMaxExaminedLines; ++line) {
        QString prefix;
        for (int t = 0; t < LyricsDocument::kMaxTagsPerLine; ++t)
            prefix += tag((t * LyricsDocument::kMaxExaminedLines + line) * 7 % 359'999);
        prefixes.push_back(prefix);
    }
    return fillToCap(prefixes, u'w');
}

// Every line carries the same 20 times: 20 lines each merged from 2,000 texts.
QString sharedTimes()
{
    QString prefix;
    for (int t = 0; t < LyricsDocument::kMaxTagsPerLine; ++t)
        prefix += tag(t * 100);
    return fillToCap(std::vector<QString>(LyricsDocument::kMaxExaminedLines, prefix), u'w');
}

// One tag per line, words made of accented letters (e + combining accent) that
// the character cap has to count cluster by cluster.
QString combiningWords()
{
    std::vector<QString> prefixes;
    for (int line = 0; line < LyricsDocument::kMaxExaminedLines; ++line)
        prefixes.push_back(tag(line * 10));
    QString text;
    const qsizetype perLine = (LyricsDocument::kMaxSyncedBytes - 2'000 * 11) / 2'000 / 3;
    for (const QString &prefix : prefixes)
        text += prefix + QStringLiteral("e\u0301").repeated(perLine) + u'\n';
    return text;
}

// Near-miss tags and offset tags everywhere: every bracket starts a match attempt.
QString nearMisses()
{
    const QString unit = QStringLiteral("[00:1[offset:99999[1:23.4567]");
    const qsizetype perLine = LyricsDocument::kMaxSyncedBytes / 2'000 - 12;
    QString text;
    for (int line = 0; line < LyricsDocument::kMaxExaminedLines; ++line)
        text += tag(line) + unit.repeated(perLine / unit.size() + 1).left(perLine) + u'\n';
    return text;
}

QString typicalSong()
{
    QString text = QStringLiteral("[ar:Someone]\n[ti:Something]\n[offset:+120]\n");
    for (int line = 0; line < 80; ++line)
        text += tag(1'200 + line * 275) +
                QStringLiteral("I walked along the river line %1").arg(line) + u'\n';
    return text;
}

struct Timing
{
    double medianMs;
    double bestMs;
    qsizetype lines;
};

Timing time(const QString &text, int runs)
{
    std::vector<double> ms;
    qsizetype lines = 0;
    for (int i = 0; i < runs; ++i) {
        const auto start = std::chrono::steady_clock::now();
        const LyricsDocument document(text, std::nullopt, false);
        const auto end = std::chrono::steady_clock::now();
        lines = document.lines().size();
        ms.push_back(std::chrono::duration<double, std::milli>(end - start).count());
    }
    std::sort(ms.begin(), ms.end());
    return {ms[ms.size() / 2], ms.front(), lines};
}

} // namespace

int main()
{
    struct Case
    {
        const char *name;
        QString text;
        int runs;
    };
    const Case cases[] = {
        {"worst: 2,000 lines x 20 distinct tags", distinctTimes(), 30},
        {"worst: 2,000 lines x 20 shared tags (merging)", sharedTimes(), 30},
        {"worst: 2,000 lines of combining accents", combiningWords(), 30},
        {"worst: 2,000 lines of near-miss tags", nearMisses(), 30},
        {"typical: 80-line song", typicalSong(), 2'000},
    };
    std::printf("%-48s %10s %10s %8s %8s\n", "input", "median ms", "best ms", "bytes", "lines");
    for (const Case &c : cases) {
        const Timing t = time(c.text, c.runs);
        std::printf("%-48s %10.3f %10.3f %8lld %8lld\n", c.name, t.medianMs, t.bestMs,
                    static_cast<long long>(c.text.toUtf8().size()),
                    static_cast<long long>(t.lines));
    }

    const LyricsDocument document(distinctTimes(), std::nullopt, false);
    const double last = document.lines().last().time;
    constexpr int kQueries = 1'000'000;
    long long found = 0;
    const long long before = g_allocations.load();
    const auto start = std::chrono::steady_clock::now();
    for (int i = 0; i < kQueries; ++i) {
        if (const auto index = document.activeIndex(last * i / kQueries))
            found += *index;
    }
    const auto end = std::chrono::steady_clock::now();
    const long long allocations = g_allocations.load() - before;
    std::printf("activeIndex over %lld lines: %.1f ns per call, %lld allocations in %d calls "
                "(checksum %lld)\n",
                static_cast<long long>(document.lines().size()),
                std::chrono::duration<double, std::nano>(end - start).count() / kQueries,
                allocations, kQueries, found);
    return allocations == 0 ? 0 : 1;
}
