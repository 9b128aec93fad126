// Fuzzes the reading of notes.json with the strict JSON reader. Any bytes
// must give a document or nothing, never a crash; the reader may refuse what
// Qt's own JSON parser accepts, never the other way round; and a document it
// reads must survive being written and read again unchanged.
//
// Run: build-fuzz/fuzz/notes_document/fuzz_notes_document -max_total_time=180 CORPUS_DIR

#include "notes/JsonValue.h"
#include "notes/NotesDocumentFormat.h"

#include <QJsonDocument>
#include <QJsonParseError>

#include <cstdint>
#include <cstdlib>

namespace {

void require(bool condition)
{
    if (!condition)
        std::abort();
}

bool sameDocument(const NotesDocumentFormat::Document &a, const NotesDocumentFormat::Document &b)
{
    return a.version == b.version && a.selectedNoteID == b.selectedNoteID && a.notes == b.notes;
}

} // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t *data, size_t size)
{
    const QByteArray bytes(reinterpret_cast<const char *>(data), qsizetype(size));

    const auto value = JsonValue::parse(bytes);
    if (value &&
        (value->kind == JsonValue::Kind::Object || value->kind == JsonValue::Kind::Array)) {
        QJsonParseError error{};
        QJsonDocument::fromJson(bytes, &error);
        require(error.error == QJsonParseError::NoError);
    }

    const auto document = NotesDocumentFormat::decode(bytes);
    if (!document)
        return 0;
    require(value.has_value());
    const auto again = NotesDocumentFormat::decode(NotesDocumentFormat::encode(*document));
    require(again && sameDocument(*document, *again));
    return 0;
}
