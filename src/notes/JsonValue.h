#pragma once

#include <QByteArrayView>
#include <QString>

#include <optional>
#include <utility>
#include <vector>

struct JsonMember;

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
    std::vector<JsonMember> members; // in document order

    /// The member named `key` (the last one if repeated), or nothing.
    const JsonValue *member(QStringView key) const;

    bool isString() const { return kind == Kind::String; }

    /// The whole of `bytes` as one JSON value, or nothing when it is not
    /// exactly that.
    static std::optional<JsonValue> parse(QByteArrayView bytes);
};

/// One name and value of an object. A type of its own (not a std::pair), so
/// that the list of members can be declared inside JsonValue while it is
/// still incomplete.
struct JsonMember
{
    QString key;
    JsonValue value;
};
