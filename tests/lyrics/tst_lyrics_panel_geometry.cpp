#include "lyrics/LyricsPanelGeometry.h"
#include "support/TestRows.h"

#include <QTest>

using namespace LyricsPanelGeometry;
using Rects = QList<QRectF>;

namespace {

const QRectF kWide(0, 0, 1920, 1080);
const QRectF kRight(1920, 0, 1280, 1024);

} // namespace

class LyricsPanelGeometryTest : public QObject
{
    Q_OBJECT

private slots:
    void panelLiesInsideTheScreenMargin_data()
    {
        columns<QRectF, QRectF, QRectF>("frame", "visible", "expected");
        row("inside stays", QRectF(100, 90, 390, 218), kWide, QRectF(100, 90, 390, 218));
        row("half off the right edge", QRectF(1700, 500, 390, 218), kWide,
            QRectF(1518, 500, 390, 218));
        row("above and left", QRectF(-50, -900, 10, 10), kWide, QRectF(12, 12, 390, 218));
        row("300 high keeps its height", QRectF(0, 0, 390, 218), QRectF(0, 0, 800, 300),
            QRectF(12, 12, 390, 218));
        row("200 high shrinks", QRectF(0, 500, 390, 218), QRectF(0, 0, 800, 200),
            QRectF(12, 12, 390, 176));
        row("narrow screen offset", QRectF(0, 0, 390, 218), QRectF(2000, 40, 300, 900),
            QRectF(2012, 52, 276, 218));
    }
    void panelLiesInsideTheScreenMargin()
    {
        auto [frame, visible] = fetch<QRectF, QRectF>("frame", "visible");
        QTEST(clamped(frame, visible), "expected");
    }

    void dragRegionsAvoidTheButtons_data()
    {
        columns<QRectF, Rects>("controls", "expected");
        const QRectF strip(0, 0, 390, 30);
        row("buttons at the right end", QRectF(330, 3, 60, 24),
            Rects{{0, 0, 390, 3}, {0, 3, 330, 24}, {0, 27, 390, 3}});
        row("buttons in the middle, touching the top", QRectF(100, -5, 60, 24),
            Rects{{0, 0, 100, 19}, {160, 0, 230, 19}, {0, 19, 390, 11}});
        row("buttons elsewhere", QRectF(0, 40, 60, 24), Rects{strip});
        row("no buttons reported yet", QRectF(), Rects{strip});
    }
    void dragRegionsAvoidTheButtons()
    {
        QFETCH(QRectF, controls);
        QTEST(dragRegions(QRectF(0, 0, 390, 30), controls), "expected");
    }

    // The stored text goes through the same parsing the settings file gets.
    void firstFrameComesFromTheStoredOrigin_data()
    {
        columns<Rects, int, QVariant, QRectF>("screens", "primary", "stored", "expected");
        const Rects two{kWide, kRight};
        row("first launch", Rects{kWide}, 0, QVariant(), QRectF(1506, 838, 390, 218));
        row("first launch, second screen primary", two, 1, QVariant(), QRectF(2786, 782, 390, 218));
        row("no primary known", two, -1, QVariant(), QRectF(1506, 838, 390, 218));
        row("stored on the second screen", two, 0, QVariant("{2000, 100.5}"),
            QRectF(2000, 100.5, 390, 218));
        row("mostly on the second screen", two, 0, QVariant("{1800, 100}"),
            QRectF(1932, 100, 390, 218));
        row("display gone", Rects{kWide}, 0, QVariant("{3000, 2000}"), QRectF(1518, 850, 390, 218));
        row("garbage", Rects{kRight, kWide}, 0, QVariant("top right"), QRectF(12, 12, 390, 218));
        row("not finite", Rects{kWide}, 0, QVariant("{nan, 5}"), QRectF(12, 12, 390, 218));
        row("one number", Rects{kWide}, 0, QVariant("{400}"), QRectF(12, 12, 390, 218));
        row("unquoted in the INI file", Rects{kWide}, 0, QVariant(QStringList{"{400", " 300}"}),
            QRectF(400, 300, 390, 218));
        row("no screens", Rects{}, 0, QVariant("{1, 2}"), QRectF());
    }
    void firstFrameComesFromTheStoredOrigin()
    {
        auto [screens, primary, stored] =
            fetch<Rects, int, QVariant>("screens", "primary", "stored");
        const auto frame = initialFrame(
            screens, primary, stored.isValid() ? std::optional(parseOrigin(stored)) : std::nullopt);
        QTEST(frame.value_or(QRectF()), "expected");
    }

    void originTextRoundTrips()
    {
        for (const QPointF point : {QPointF(0.1, -2.5), QPointF(1e6 / 3, 7), QPointF(-0.0, 1e-9)})
            QCOMPARE(parseOrigin(originText(point)), point);
        QCOMPARE(originText({1506, 838}), QStringLiteral("{1506, 838}"));
    }

    void storedOpacityIsLimited_data()
    {
        // expected: -1 for none
        columns<QVariant, double>("stored", "expected");
        row("too faint", QVariant("0.2"), 0.45);
        row("too strong", QVariant("3.0"), 1.0);
        row("in range", QVariant(0.8), 0.8);
        row("words", QVariant("loud"), -1.0);
        row("not a number", QVariant("nan"), -1.0);
        row("infinite", QVariant("inf"), -1.0);
        row("absent", QVariant(), -1.0);
    }
    void storedOpacityIsLimited()
    {
        QFETCH(QVariant, stored);
        QTEST(parseOpacity(stored).value_or(-1.0), "expected");
    }
};

QTEST_GUILESS_MAIN(LyricsPanelGeometryTest)
#include "tst_lyrics_panel_geometry.moc"
