#include "notes/NotesDocumentFormat.h"

#include "platform/UuidText.h"

#include <QJsonArray>
#include <QJsonDocument>
#include <QJsonObject>

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

std::optional<QUuid> uuidValue(const QJsonValue &value)
{
    return value.isString() ? UuidText::parse(value.toString()) : std::nullopt;
}

std::optional<QDateTime> dateValue(const QJsonValue &value)
{
    return value.isString() ? parseDate(value.toString()) : std::nullopt;
}

std::optional<CrestNote> noteValue(const QJsonValue &value)
{
    if (!value.isObject())
        return std::nullopt;
    const QJsonObject object = value.toObject();
    const QJsonValue content = object.value(u"content");
    const auto id = uuidValue(object.value(u"id"));
    const auto createdAt = dateValue(object.value(u"createdAt"));
    const auto modifiedAt = dateValue(object.value(u"modifiedAt"));
    if (!content.isString() || !id || !createdAt || !modifiedAt)
        return std::nullopt;
    return CrestNote{*id, content.toString(), *createdAt, *modifiedAt};
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
    QJsonArray notes;
    for (const CrestNote &note : document.notes) {
        notes.append(QJsonObject{
            {QStringLiteral("content"), note.content},
            {QStringLiteral("createdAt"), formatDate(note.createdAt)},
            {QStringLiteral("id"), UuidText::format(note.id)},
            {QStringLiteral("modifiedAt"), formatDate(note.modifiedAt)},
        });
    }
    // QJsonObject keeps its keys sorted, which gives the file its key order at
    // every level.
    QJsonObject root{{QStringLiteral("notes"), notes},
                     {QStringLiteral("version"), document.version}};
    if (document.selectedNoteID)
        root.insert(QStringLiteral("selectedNoteID"), UuidText::format(*document.selectedNoteID));
    return QJsonDocument(root).toJson(QJsonDocument::Indented);
}

std::optional<Document> decode(const QByteArray &bytes)
{
    QJsonParseError error;
    const QJsonDocument json = QJsonDocument::fromJson(bytes, &error);
    if (error.error != QJsonParseError::NoError || !json.isObject())
        return std::nullopt;
    const QJsonObject root = json.object();
    const QJsonValue version = root.value(u"version");
    const QJsonValue notes = root.value(u"notes");
    const QJsonValue selected = root.value(u"selectedNoteID");
    if (!version.isDouble() || !notes.isArray())
        return std::nullopt;
    const double number = version.toDouble();
    if (number != std::trunc(number) || std::abs(number) > 2'000'000'000.0)
        return std::nullopt;

    Document document;
    document.version = int(number);
    if (!selected.isUndefined() && !selected.isNull()) {
        document.selectedNoteID = uuidValue(selected);
        if (!document.selectedNoteID)
            return std::nullopt;
    }
    const QJsonArray array = notes.toArray();
    document.notes.reserve(array.size());
    for (const QJsonValue &value : array) {
        auto note = noteValue(value);
        if (!note)
            return std::nullopt;
        document.notes.append(std::move(*note));
    }
    return document;
}

} // namespace NotesDocumentFormat
