#include "core/Graphemes.h"

#include <QTest>

class GraphemesTest : public QObject
{
    Q_OBJECT

private slots:
    void countsUserPerceivedCharacters()
    {
        const QString combining = QStringLiteral("e\u0301"); // e + combining acute
        const QString family = QStringLiteral("\U0001F468\u200D\U0001F469\u200D\U0001F467");
        QCOMPARE(Graphemes::count(u""), 0);
        QCOMPARE(Graphemes::count(u"abc"), 3);
        QCOMPARE(Graphemes::count(combining + combining), 2);
        QCOMPARE(Graphemes::count(family), 1);
        QCOMPARE(Graphemes::count(QStringLiteral("\r\n")), 1);
    }

    void cutsNeverSplitAClusterAndCapsAreExact()
    {
        const QString combining = QStringLiteral("e\u0301");
        const QString text = combining.repeated(5);
        QCOMPARE(Graphemes::left(text, 2), combining.repeated(2));
        QCOMPARE(Graphemes::left(text, 50), text);
        QCOMPARE(Graphemes::left(text, 0), QString());
        QVERIFY(!Graphemes::exceeds(text, 5));
        QVERIFY(Graphemes::exceeds(text, 4));
        QVERIFY(!Graphemes::exceeds(u"", 0));
    }
};

QTEST_GUILESS_MAIN(GraphemesTest)
#include "tst_graphemes.moc"
