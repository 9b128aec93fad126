#include "core/Graphemes.h"
#include "lyrics/LyricsDocument.h"
#include "support/TestRows.h"

#include <QTest>

#include <cmath>
#include <limits>

namespace {

LyricsDocument parsed(const QString &lrc)
{
    return LyricsDocument(lrc, std::nullopt, false);
}

// The lines as "time=text|time=text". Times are compared to a nanosecond:
// the fraction is added to whole seconds, so 12.34 may differ from the
// literal in its last bit.
void compareLines(const LyricsDocument &document, const QString &expected)
{
    const QStringList lines = expected.isEmpty() ? QStringList() : expected.split('|');
    QCOMPARE(document.lines().size(), lines.size());
    for (qsizetype i = 0; i < lines.size(); ++i) {
        const LyricsLine &line = document.lines()[i];
        const double time = lines[i].section('=', 0, 0).toDouble();
        QCOMPARE(line.id, i);
        QVERIFY2(std::abs(line.time - time) < 1e-9,
                 qPrintable(
                     QStringLiteral("line %1 at %2, expected %3").arg(i).arg(line.time).arg(time)));
        QCOMPARE(line.text, lines[i].section('=', 1));
    }
}

QString decomposedE(qsizetype count)
{
    return QStringLiteral("e\u0301").repeated(count);
}

} // namespace

class LyricsDocumentTest : public QObject
{
    Q_OBJECT

private slots:
    void lines_data()
    {
        columns<QString, QString>("lrc", "expected");
        row("hundredths", "[00:12.34]Hello", "12.34=Hello");
        row("one-digit minutes", "[1:02]x", "62=x");
        row("three-digit minutes", "[999:59]x", "59999=x");
        row("four-digit minutes", "[1000:00]x", "");
        row("seconds need two digits", "[01:2]x", "");
        row("three-digit seconds", "[01:234]x", "");
        row("seconds of 60 or more", "[00:75.00]a", "");
        row("bad tag skipped, others kept", "[00:10.00][00:75.00]a", "10=a");
        row("one line, several tags", "[00:20.00][00:10.00]Chorus", "10=Chorus|20=Chorus");
        row("leading blank", " [00:10.00]a", "");
        row("tag after words", "a[00:10.00]", "");
        row("stray bracket first", "[[00:10.00]a", "");
        row("words between tags dropped", "[00:10.00]a[00:11.00]b", "10=b|11=b");
        row("tag alone is a pause", "[00:10.00]", "10=");
        row("other brackets stay in the words", "[00:01]see [note] [1:2]", "1=see [note] [1:2]");
        row("horizontal blanks trimmed", "[00:01] \t a b\u00A0\u3000", "1=a b");
        row("digits are ASCII digits", "[\u0660\u0660:\u0661\u0660]x", "");
        row("every line break ends a line",
            "[00:01]a\r\n[00:02]b\u2028[00:03]c\u0085[00:04]d\u000B[00:05]e\u2029[00:06]f\r",
            "1=a|2=b|3=c|4=d|5=e|6=f");
        row("tenths", "[00:12.5]a", "12.5=a");
        row("thousandths", "[00:12.500]a", "12.5=a");
        row("leading zero", "[00:12.05]a", "12.05=a");
        row("colon before fraction", "[00:12:05]a", "12.05=a");
        row("one millisecond", "[00:00.001]a", "0.001=a");
        row("empty fraction", "[00:12.]a", "");
        row("four fraction digits", "[00:12.1234]a", "");
        row("comma is no separator", "[00:12,5]a", "");
        row("positive shifts later", "[offset:+500]\n[00:01.00]a", "1.5=a");
        row("negative shifts earlier, clamped at 0", "[OFFSET:-1500]\n[00:01.00]a\n[00:03.00]b",
            "0=a|1.5=b");
        row("unsigned", "[Offset:250]\n[00:01]a", "1.25=a");
        row("first offset anywhere wins", "[00:01]a\n[offset:1000]\n[offset:5000]", "2=a");
        row("largest shift allowed", "[offset:-3600000]\n[60:01]a", "1=a");
        row("beyond an hour gives no lines", "[offset:3600001]\n[00:01]a", "");
        row("beyond an hour, negative", "[offset:-3600001]\n[00:01]a", "");
        row("digits beyond any number", "[offset:" + QString(400, u'9') + "]\n[00:01]a", "");
        row("malformed offset ignored", "[offset:1.5]\n[00:01]a", "1=a");
        row("offset that makes two tags meet", "[offset:-5000]\n[00:01]a\n[00:02]b", "0=a\nb");
        row("same time joins with a line feed", "[00:10.00]one\n[00:10.00]two", "10=one\ntwo");
        row("identical repeat kept once", "[00:10]x\n[00:10.00]x", "10=x");
        row("repeated tag on one line", "[00:10][00:10]x", "10=x");
        row("empty second dropped", "[00:10]x\n[00:10]", "10=x");
        row("empty first kept", "[00:10]\n[00:10]x", "10=\nx");
        row("compared with the joined text", "[00:10]a\n[00:10]b\n[00:10]a", "10=a\nb\na");
        row("equal times keep their order", "[00:20]b\n[00:10]a\n[00:20]c\n[00:05]z",
            "5=z|10=a|20=b\nc");
        row("different times stay apart", "[00:10.00]a\n[00:10.01]a", "10=a|10.01=a");
    }

    void lines()
    {
        auto [lrc, expected] = fetch<QString, QString>("lrc", "expected");
        compareLines(parsed(lrc), expected);
    }

    // The joined text is cut to 1,000 user-perceived characters without
    // splitting a cluster, whatever the words are made of.
    void mergedTextIsCutByCharacters_data()
    {
        QTest::addColumn<QString>("unit"); // one user-perceived character
        row("ascii", QStringLiteral("a"));
        row("combining accent", QStringLiteral("e\u0301"));
        row("flag", QStringLiteral("\U0001F1EB\U0001F1F7"));
        row("family", QStringLiteral("\U0001F468\u200D\U0001F469\u200D\U0001F467"));
    }
    void mergedTextIsCutByCharacters()
    {
        QFETCH(QString, unit);
        for (const qsizetype first :
             {qsizetype(600), qsizetype(998), qsizetype(999), qsizetype(1'000)}) {
            const QString a = unit.repeated(first);
            const QString b = QStringLiteral("b") + unit.repeated(700);
            const QString c = QStringLiteral("c");
            const LyricsDocument document =
                parsed("[00:01]" + a + "\n[00:01]" + b + "\n[00:01]" + c);
            QCOMPARE(document.lines().size(), 1);
            const QString &text = document.lines().first().text;
            QCOMPARE(text, Graphemes::left(a + '\n' + b + '\n' + c, 1'000));
            QCOMPARE(Graphemes::count(text), 1'000);
        }
    }

    void caps()
    {
        // Bytes are UTF-8 bytes: "é" is two of them.
        const QString head = QStringLiteral("[00:01]a\n[00:02]");
        const qsizetype room = LyricsDocument::kMaxSyncedBytes - head.size();
        const QString atCap =
            head + QStringLiteral("\u00E9").repeated(room / 2) + QString(room % 2, u'x');
        QCOMPARE(atCap.toUtf8().size(), LyricsDocument::kMaxSyncedBytes);
        QCOMPARE(parsed(atCap).lines().size(), 2);
        QCOMPARE(parsed(atCap + 'x').lines().size(), 0);

        // The first 2,000 lines are examined, empty ones included.
        QCOMPARE(parsed(QString(1'999, u'\n') + "[00:01]a").lines().size(), 1);
        QCOMPARE(parsed(QString(2'000, u'\n') + "[00:01]a").lines().size(), 0);
        QCOMPARE(parsed(QStringLiteral("\r\n").repeated(1'000) + "[00:01]a").lines().size(), 0);

        // The first 20 tags of a line count; the words still follow the last tag.
        QString tags;
        for (int second = 1; second <= 21; ++second)
            tags += QStringLiteral("[00:%1]").arg(second, 2, 10, QChar(u'0'));
        const LyricsDocument tagged = parsed(tags + "x");
        QCOMPARE(tagged.lines().size(), 20);
        QCOMPARE(tagged.lines().last(), (LyricsLine{19, 20.0, QStringLiteral("x")}));

        // 1,000 user-perceived characters per line, not code units.
        QCOMPARE(parsed("[00:01]" + decomposedE(1'001)).lines().first().text, decomposedE(1'000));
        QCOMPARE(parsed("[00:01]" + decomposedE(1'000) + "  ").lines().first().text,
                 decomposedE(1'000));
    }

    void oversizedTextKeepsPlainLyrics()
    {
        QCOMPARE(LyricsDocument(QString(LyricsDocument::kMaxSyncedBytes + 1, u'x'),
                                QStringLiteral("words"), true),
                 LyricsDocument(std::nullopt, QStringLiteral("words"), true));
    }

    void plainText()
    {
        QCOMPARE(LyricsDocument(std::nullopt, QStringLiteral(" \n\t word \u2029\u00A0\r\n"), false)
                     .plainText(),
                 QStringLiteral("word"));
        QCOMPARE(LyricsDocument(std::nullopt, std::nullopt, false).plainText(), QString());
        const LyricsDocument longPlain(std::nullopt, decomposedE(200'001), false);
        QCOMPARE(longPlain.plainText(), decomposedE(200'000));
        QVERIFY(!longPlain.instrumental());
        QVERIFY(longPlain.lines().isEmpty());
    }

    void activeIndex_data()
    {
        columns<double, int>("position", "index"); // index -1: none
        row("before the first line", -1.0, -1);
        row("at the first line", 0.0, 0);
        row("just before the second", 9.99, 0);
        row("at the second", 10.0, 1);
        row("between", 15.0, 1);
        row("at the last", 20.0, 2);
        row("long after", 1000.0, 2);
        row("not a number", std::numeric_limits<double>::quiet_NaN(), -1);
        row("infinity", std::numeric_limits<double>::infinity(), -1);
        row("minus infinity", -std::numeric_limits<double>::infinity(), -1);
    }
    void activeIndex()
    {
        auto [position, index] = fetch<double, int>("position", "index");
        const LyricsDocument document = parsed("[00:00]a\n[00:10]b\n[00:20]c");
        QCOMPARE(document.activeIndex(position),
                 index < 0 ? std::nullopt : std::optional<qsizetype>(index));
        QVERIFY(!LyricsDocument().activeIndex(position));
        // A document whose first line starts late has no line before it.
        QCOMPARE(parsed("[00:05]a").activeIndex(position).has_value(),
                 std::isfinite(position) && position >= 5);
    }
};

QTEST_GUILESS_MAIN(LyricsDocumentTest)
#include "tst_lyricsdocument.moc"
