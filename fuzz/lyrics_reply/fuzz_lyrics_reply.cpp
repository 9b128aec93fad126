// Fuzzes the decoding of the lyrics service's JSON reply. Any body must give
// either a document that matches the track and has something to show, or a
// failure; never a crash.
//
// Run: build-fuzz/fuzz/lyrics_reply/fuzz_lyrics_reply -dict=fuzz/lyrics_reply/reply.dict
//        -max_total_time=180 CORPUS_DIR fuzz/lyrics_reply/corpus

#include "core/Graphemes.h"
#include "lyrics/LyricsPolicy.h"

#include <QByteArray>
#include <QJsonDocument>
#include <QJsonObject>

#include <cstdint>
#include <cstdlib>

namespace {

void require(bool condition)
{
    if (!condition)
        std::abort();
}

} // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t *data, size_t size)
{
    static const LyricsTrack track(QStringLiteral("Café"), QStringLiteral("Sigur Rós"),
                                   QStringLiteral("Album"), 180);
    const QByteArray body(reinterpret_cast<const char *>(data), qsizetype(size));
    const LyricsResult result = LyricsPolicy::decode(body, track);
    const LyricsDocument *document = std::get_if<LyricsDocument>(&result);
    if (!document)
        return 0;

    require(document->instrumental() || !document->lines().isEmpty() ||
            !document->plainText().isEmpty());
    // Only a well-formed object naming this song may have produced it.
    const QJsonObject reply = QJsonDocument::fromJson(body).object();
    require(LyricsPolicy::matchingKey(reply.value("trackName").toString()) ==
            LyricsPolicy::matchingKey(track.title()));
    require(std::abs(reply.value("duration").toDouble() - track.duration()) <= 3.0);
    for (const LyricsLine &line : document->lines())
        require(!Graphemes::exceeds(line.text, LyricsDocument::kMaxLineCharacters));
    return 0;
}
