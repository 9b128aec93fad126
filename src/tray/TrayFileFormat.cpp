#include "tray/TrayFileFormat.h"

#include "core/UuidText.h"

#include <QJsonArray>
#include <QJsonDocument>
#include <QJsonObject>

namespace TrayFileFormat {

namespace {

// QJsonObject orders its keys alphabetically; the file spells them as id,
// bookmark, path, so each object is assembled by hand from escaped values.
QByteArray quoted(const QString &value)
{
    const QByteArray array = QJsonDocument(QJsonArray{value}).toJson(QJsonDocument::Compact);
    return array.mid(1, array.size() - 2);
}

bool isBase64Char(char c)
{
    return (c >= 'A' && c <= 'Z') || (c >= 'a' && c <= 'z') || (c >= '0' && c <= '9') || c == '+' ||
           c == '/';
}

// Standard alphabet, padded to a multiple of four; no whitespace, no URL-safe
// letters, padding only at the end.
std::optional<QByteArray> strictBase64(const QString &text)
{
    if (text.size() % 4 != 0)
        return std::nullopt;
    const QByteArray ascii = text.toLatin1();
    qsizetype padding = 0;
    for (qsizetype i = 0; i < text.size(); ++i) {
        if (text[i].unicode() > 0x7f)
            return std::nullopt;
        const char c = ascii[i];
        if (c == '=') {
            ++padding;
            continue;
        }
        if (padding > 0 || !isBase64Char(c))
            return std::nullopt;
    }
    if (padding > 2)
        return std::nullopt;
    auto decoded = QByteArray::fromBase64Encoding(ascii, QByteArray::AbortOnBase64DecodingErrors);
    if (!decoded)
        return std::nullopt;
    return *decoded;
}

} // namespace

QByteArray encode(const QList<SavedItem> &items)
{
    QByteArray out = "[";
    for (qsizetype i = 0; i < items.size(); ++i) {
        const SavedItem &item = items[i];
        if (i > 0)
            out += ',';
        out += "{\"id\":" + quoted(UuidText::format(item.id));
        if (item.bookmark)
            out += ",\"bookmark\":" + quoted(QString::fromLatin1(item.bookmark->toBase64()));
        out += ",\"path\":" + quoted(item.path) + '}';
    }
    out += ']';
    return out;
}

std::optional<QList<SavedItem>> decode(const QByteArray &bytes)
{
    QJsonParseError error;
    const QJsonDocument document = QJsonDocument::fromJson(bytes, &error);
    if (error.error != QJsonParseError::NoError || !document.isArray())
        return std::nullopt;
    QList<SavedItem> items;
    const QJsonArray array = document.array();
    items.reserve(array.size());
    for (const QJsonValue &value : array) {
        if (!value.isObject())
            return std::nullopt;
        const QJsonObject object = value.toObject();
        const QJsonValue id = object.value(u"id");
        const QJsonValue path = object.value(u"path");
        const QJsonValue bookmark = object.value(u"bookmark");
        if (!id.isString() || !path.isString())
            return std::nullopt;
        SavedItem item;
        const auto uuid = UuidText::parse(id.toString());
        if (!uuid)
            return std::nullopt;
        item.id = *uuid;
        item.path = path.toString();
        // An explicit null reads as no bookmark, like a missing key.
        if (!bookmark.isUndefined() && !bookmark.isNull()) {
            if (!bookmark.isString())
                return std::nullopt;
            item.bookmark = strictBase64(bookmark.toString());
            if (!item.bookmark)
                return std::nullopt;
        }
        items.append(std::move(item));
    }
    return items;
}

} // namespace TrayFileFormat
