#pragma once

#include <QByteArrayView>
#include <QString>

#include <optional>
#include <utility>
#include <vector>

/// A parsed JSON value. The reader is strict (RFC 8259: no comments, no
/// trailing commas, valid UTF-8, no lone surrogates, nothing after the value)
/// and several times faster than building a QJsonDocument, which matters for
/// a notes document of several megabytes read on the main thread.
struct JsonValue
{
    enum class Kind
    {
        Null,
        Bool,
        Number,
        String,
        Array,
        Object
    };

    Kind kind = Kind::Null;
    bool boolean = false;
    double number = 0;
    QString string;
    std::vector<JsonValue> items;
    std::vector<std::pair<QString, JsonValue>> members;

    /// The member named `key` (the last one if repeated), or nothing.
    const JsonValue *member(QStringView key) const;

    bool isString() const { return kind == Kind::String; }

    /// The whole of `bytes` as one JSON value, or nothing when it is not
    /// exactly that.
    static std::optional<JsonValue> parse(QByteArrayView bytes);
};
