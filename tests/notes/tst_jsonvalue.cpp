#include "notes/JsonValue.h"
#include "support/TestRows.h"

#include <QJsonArray>
#include <QJsonDocument>
#include <QJsonObject>
#include <QTest>

// The fast reader accepts exactly the JSON grammar (stricter than
// QJsonDocument, which lets ".5", "1.", raw tabs and unknown escapes pass) and
// reads the same values as QJsonDocument where both accept.
class JsonValueTest : public QObject
{
    Q_OBJECT

    static QJsonValue toQt(const JsonValue &value)
    {
        switch (value.kind) {
        case JsonValue::Kind::Null:
            return QJsonValue::Null;
        case JsonValue::Kind::Bool:
            return value.boolean;
        case JsonValue::Kind::Number:
            return value.number;
        case JsonValue::Kind::String:
            return value.string;
        case JsonValue::Kind::Array: {
            QJsonArray array;
            for (const JsonValue &item : value.items)
                array.append(toQt(item));
            return array;
        }
        case JsonValue::Kind::Object: {
            QJsonObject object;
            for (const auto &[key, member] : value.members)
                object.insert(key, toQt(member));
            return object;
        }
        }
        return {};
    }

private slots:
    void agreesWithStandardReader_data()
    {
        columns<QByteArray, bool>("bytes", "valid");
        const char *strictlyInvalid[] = {"{\"a\":.5}", "{\"a\":1.}", "{\"a\":\"tab\there\"}",
                                         "{\"a\":\"\\x\"}"};
        for (const char *text : strictlyInvalid)
            row(text, QByteArray(text), false);
        const char *cases[] = {
            "{}",
            " [ ] ",
            "[1,]",
            "{\"a\":1,}",
            "{\"a\" 1}",
            "{'a':1}",
            "{\"a\":01}",
            "{\"a\":+1}",
            "{\"a\":tru}",
            "{\"a\":\"x",
            "{} x",
            "{}{}",
            "",
            "  ",
            "{\"a\":1}/*c*/",
            "{\"a\":[1,-2.5e3,0,true,false,null,\"x\"],\"b\":{\"c\":{}}}",
            "{\"s\":\"caf\xc3\xa9 \\u00e9 \\ud83d\\ude00 \\/ \\\" \\\\ \\b\\f\\n\\r\\t\"}",
            "{\"u\":\"\xf0\x9f\x98\x80\"}",
            "{\"n\":0.5,\"m\":1E+2,\"k\":-0}",
            "{\"a\":\"\\u12G4\"}",
            "{\"a\":\"\xc3\x28\"}",
            "{\"a\":\"\xed\xa0\x80\"}"};
        for (const char *text : cases)
            row(text, QByteArray(text), (QJsonDocument::fromJson(text).isNull() == false));
        row("deep but fine", QByteArray(60, '[') + QByteArray(60, ']'), true);
    }

    void agreesWithStandardReader()
    {
        auto [bytes, valid] = fetch<QByteArray, bool>("bytes", "valid");
        const QJsonDocument qt = QJsonDocument::fromJson(bytes);
        const auto ours = JsonValue::parse(bytes);
        QCOMPARE(ours.has_value(), valid);
        if (ours)
            QCOMPARE(toQt(*ours), qt.isObject() ? QJsonValue(qt.object()) : QJsonValue(qt.array()));
    }

    void refusesWhatMustNotBeRead()
    {
        QVERIFY(!JsonValue::parse("[\"\\ud800\"]"));          // lone high surrogate
        QVERIFY(!JsonValue::parse("[\"\\udc00x\"]"));         // lone low surrogate
        QVERIFY(!JsonValue::parse("[\"\\ud800\\u0041\"]"));   // high without its low half
        QVERIFY(!JsonValue::parse(QByteArray(100'000, '['))); // bounded nesting, no overflow
        QVERIFY(JsonValue::parse("\"text\""));
    }
};

QTEST_GUILESS_MAIN(JsonValueTest)
#include "tst_jsonvalue.moc"
