#include "notes/NotesDocumentFormat.h"

#include "core/UuidText.h"

#include "notes/JsonValue.h"

#include <cmath>

namespace NotesDocumentFormat {

namespace {

std::optional<int> digits(QStringView text, qsizetype from, qsizetype count)
{
    int value = 0;
    for (qsizetype i = from; i < from + count; ++i) {
        const QChar c = text[i];
        if (c < u'0' || c > u'9')
            return std::nullopt;
        value = value * 10 + (c.unicode() - u'0');
    }
    return value;
}

std::optional<QUuid> uuidValue(const JsonValue *value)
{
    return value && value->isString() ? UuidText::parse(value->string) : std::nullopt;
}

std::optional<QDateTime> dateValue(const JsonValue *value)
{
    return value && value->isString() ? parseDate(value->string) : std::nullopt;
}

std::optional<CrestNote> noteValue(const JsonValue &value)
{
    if (value.kind != JsonValue::Kind::Object)
        return std::nullopt;
    const JsonValue *content = value.member(u"content");
    const auto id = uuidValue(value.member(u"id"));
    const auto createdAt = dateValue(value.member(u"createdAt"));
    const auto modifiedAt = dateValue(value.member(u"modifiedAt"));
    if (!content || !content->isString() || !id || !createdAt || !modifiedAt)
        return std::nullopt;
    return CrestNote{*id, content->string, *createdAt, *modifiedAt};
}

// JSON string syntax for `text`: quotes, backslashes and control characters
// escaped, everything else as UTF-8.
void appendQuoted(QByteArray &out, const QString &text)
{
    out += '"';
    const QByteArray utf8 = text.toUtf8();
    const char *run = utf8.constData();
    const char *end = run + utf8.size();
    for (const char *p = run; p < end; ++p) {
        const unsigned char c = static_cast<unsigned char>(*p);
        if (c >= 0x20 && c != '"' && c != '\\')
            continue;
        out.append(run, p - run);
        run = p + 1;
        switch (c) {
        case '"':
            out += "\\\"";
            break;
        case '\\':
            out += "\\\\";
            break;
        case '\n':
            out += "\\n";
            break;
        case '\r':
            out += "\\r";
            break;
        case '\t':
            out += "\\t";
            break;
        case '\b':
            out += "\\b";
            break;
        case '\f':
            out += "\\f";
            break;
        default:
            out += QByteArray("\\u00") + QByteArray::number(c, 16).rightJustified(2, '0');
        }
    }
    out.append(run, end - run);
    out += '"';
}

} // namespace

QString formatDate(const QDateTime &date)
{
    const QDateTime utc = QDateTime::fromSecsSinceEpoch(
        qint64(std::floor(double(date.toMSecsSinceEpoch()) / 1000.0)), Qt::UTC);
    const QDate day = utc.date();
    const QTime time = utc.time();
    return QString::asprintf("%04d-%02d-%02dT%02d:%02d:%02dZ", day.year(), day.month(), day.day(),
                             time.hour(), time.minute(), time.second());
}

std::optional<QDateTime> parseDate(QStringView text)
{
    // YYYY-MM-DDTHH:MM:SS then Z or +HH:MM / -HH:MM; nothing else.
    if (text.size() != 20 && text.size() != 25)
        return std::nullopt;
    const auto at = [&](qsizetype i, char16_t c) { return text[i] == QChar(c); };
    if (!at(4, u'-') || !at(7, u'-') || !at(10, u'T') || !at(13, u':') || !at(16, u':'))
        return std::nullopt;
    const auto year = digits(text, 0, 4), month = digits(text, 5, 2), day = digits(text, 8, 2);
    const auto hour = digits(text, 11, 2), minute = digits(text, 14, 2),
               second = digits(text, 17, 2);
    if (!year || !month || !day || !hour || !minute || !second)
        return std::nullopt;
    int offsetSeconds = 0;
    if (text.size() == 20) {
        if (!at(19, u'Z'))
            return std::nullopt;
    } else {
        const bool plus = at(19, u'+');
        if ((!plus && !at(19, u'-')) || !at(22, u':'))
            return std::nullopt;
        const auto offsetHours = digits(text, 20, 2), offsetMinutes = digits(text, 23, 2);
        if (!offsetHours || !offsetMinutes || *offsetHours > 23 || *offsetMinutes > 59)
            return std::nullopt;
        offsetSeconds = (plus ? 1 : -1) * (*offsetHours * 3600 + *offsetMinutes * 60);
    }
    const QDate date(*year, *month, *day);
    const QTime time(*hour, *minute, *second);
    if (!date.isValid() || !time.isValid())
        return std::nullopt;
    return QDateTime(date, time, Qt::UTC).addSecs(-offsetSeconds);
}

QByteArray encode(const Document &document)
{
    // Written by hand rather than through QJsonDocument, which is several
    // times slower on a large document. Keys are in alphabetical order at
    // every level, one per line, indented by four spaces.
    QByteArray out;
    qsizetype estimate = 64;
    for (const CrestNote &note : document.notes)
        estimate += note.content.size() * 3 + 220;
    out.reserve(estimate);
    out += "{\n    \"notes\": [";
    for (qsizetype i = 0; i < document.notes.size(); ++i) {
        const CrestNote &note = document.notes[i];
        out += i == 0 ? "\n" : ",\n";
        out += "        {\n            \"content\": ";
        appendQuoted(out, note.content);
        out += ",\n            \"createdAt\": \"" + formatDate(note.createdAt).toLatin1();
        out += "\",\n            \"id\": \"" + UuidText::format(note.id).toLatin1();
        out += "\",\n            \"modifiedAt\": \"" + formatDate(note.modifiedAt).toLatin1();
        out += "\"\n        }";
    }
    out += document.notes.isEmpty() ? "]" : "\n    ]";
    if (document.selectedNoteID)
        out += ",\n    \"selectedNoteID\": \"" +
               UuidText::format(*document.selectedNoteID).toLatin1() + '"';
    out += ",\n    \"version\": " + QByteArray::number(document.version) + "\n}\n";
    return out;
}

std::optional<Document> decode(const QByteArray &bytes)
{
    const auto json = JsonValue::parse(bytes);
    if (!json || json->kind != JsonValue::Kind::Object)
        return std::nullopt;
    const JsonValue *version = json->member(u"version");
    const JsonValue *notes = json->member(u"notes");
    const JsonValue *selected = json->member(u"selectedNoteID");
    if (!version || version->kind != JsonValue::Kind::Number || !notes ||
        notes->kind != JsonValue::Kind::Array)
        return std::nullopt;
    const double number = version->number;
    if (number != std::trunc(number) || std::abs(number) > 2'000'000'000.0)
        return std::nullopt;

    Document document;
    document.version = int(number);
    if (selected && selected->kind != JsonValue::Kind::Null) {
        document.selectedNoteID = uuidValue(selected);
        if (!document.selectedNoteID)
            return std::nullopt;
    }
    document.notes.reserve(qsizetype(notes->items.size()));
    for (const JsonValue &value : notes->items) {
        auto note = noteValue(value);
        if (!note)
            return std::nullopt;
        document.notes.append(std::move(*note));
    }
    return document;
}

} // namespace NotesDocumentFormat
