#pragma once

#include "lyrics/LyricsFailure.h"
#include "platform/net/HttpClient.h"
#include "players/model/LyricsTrack.h"

#include <QByteArray>
#include <QString>
#include <QUrl>

/// The pure rules of a lyrics lookup: which address to ask, which reply head
/// to accept and how a reply body becomes a document.
namespace LyricsPolicy {

/// Largest reply body, announced or received.
inline constexpr qint64 kMaxReplyBytes = 524'288;
/// Largest difference between the reply's and the track's duration.
inline constexpr double kDurationTolerance = 3.0;
/// Shortest and longest song looked up, in whole seconds.
inline constexpr int kMinDuration = 1;
inline constexpr int kMaxDuration = 3'600;

/// The lyrics service.
QUrl defaultOrigin();

/// The origin to use: `override` when it is a plain https origin (scheme,
/// host and optional port only), else the default one.
QUrl origin(const QString &override);

/// The lookup address for `track` at `origin`: path "/api/get" and the query
/// items track_name, artist_name, album_name and duration, in that order.
QUrl requestURL(const LyricsTrack &track, const QUrl &origin = defaultOrigin());

/// True only for a 200 reply for exactly `requestedURL`, labelled
/// application/json and announcing no more than the cap.
bool accepts(const HttpResponseHead &response, const QUrl &requestedURL);

/// Turns a reply body into the document for `track`. Fails with
/// `dataLengthExceedsMaximum` for an empty or oversized body, `decoding` for
/// anything but a JSON object with the required keys of the right types, and
/// `notFound` when the reply is for another song or holds nothing to show.
LyricsResult decode(const QByteArray &body, const LyricsTrack &track);

/// `text` trimmed and folded for comparison: case and diacritics ignored.
QString matchingKey(QStringView text);

} // namespace LyricsPolicy
