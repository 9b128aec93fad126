#pragma once

#include "notes/CrestNote.h"

#include <QByteArray>
#include <QList>

#include <optional>

/// The bytes of `notes.json`: a pretty-printed JSON object with keys sorted at
/// every level, `notes`, `selectedNoteID` (absent when nothing is selected) and
/// `version` 1. Dates are RFC 3339 in whole seconds UTC; UUIDs are canonical,
/// written upper-case.
namespace NotesDocumentFormat {

constexpr int kVersion = 1;

struct Document
{
    int version = kVersion;
    std::optional<QUuid> selectedNoteID;
    QList<CrestNote> notes;
};

QByteArray encode(const Document &document);

/// Nothing when the bytes are not such a document: not JSON, another shape, a
/// missing required key, a UUID that does not parse, or a date with fractions
/// of a second, without a time or without a zone. Any `version` number is
/// returned; the caller decides which it accepts. Unknown keys are ignored.
std::optional<Document> decode(const QByteArray &bytes);

/// "2026-01-01T12:00:00Z": whole seconds, fractions dropped.
QString formatDate(const QDateTime &date);
/// Reads the same form, and a numeric zone offset in place of "Z".
std::optional<QDateTime> parseDate(QStringView text);

} // namespace NotesDocumentFormat
