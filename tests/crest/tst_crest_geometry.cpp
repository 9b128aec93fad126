#include "crest/CrestGeometry.h"
#include "crest/CrestOutline.h"
#include "support/TestRows.h"

#include <QTest>

namespace {

ScreenInfo plain(QRectF frame)
{
    return ScreenInfo{frame, 0, std::nullopt, std::nullopt};
}

ScreenInfo notched(QRectF frame, double inset, double leftAreaRight, double rightAreaLeft)
{
    return ScreenInfo{frame, inset,
                      QRectF(frame.left(), frame.top(), leftAreaRight - frame.left(), inset),
                      QRectF(rightAreaLeft, frame.top(), frame.right() - rightAreaLeft, inset)};
}

} // namespace

class CrestGeometryTest : public QObject
{
    Q_OBJECT

private slots:
    void notchWidthAndTopHeightRules_data()
    {
        columns<ScreenInfo, double, double>("screen", "notchWidth", "topHeight");
        const QRectF frame(0, 0, 1512, 982);
        row("no camera housing", plain(frame), 126.0, 32.0);
        row("housing 180 wide", notched(frame, 38, 666, 846), 180.0, 38.0);
        row("gap of 100 is raised to 120", notched(frame, 38, 706, 806), 120.0, 38.0);
        row("inset 24 is raised to 32", notched(frame, 24, 666, 846), 180.0, 32.0);
        ScreenInfo insetOnly = plain(frame);
        insetOnly.topInset = 40;
        row("inset without side areas", insetOnly, 126.0, 40.0);
        ScreenInfo areasOnly = notched(frame, 38, 666, 846);
        areasOnly.topInset = 0;
        row("side areas without inset", areasOnly, 126.0, 32.0);
    }

    void notchWidthAndTopHeightRules()
    {
        auto [screen, notchWidth, topHeight] =
            fetch<ScreenInfo, double, double>("screen", "notchWidth", "topHeight");
        const auto geometry = CrestGeometry::measure({screen}, 0);
        QVERIFY(geometry);
        QCOMPARE(geometry->notchWidth, notchWidth);
        QCOMPARE(geometry->topHeight, topHeight);
    }

    void crestHangsBelowTopPanels_data()
    {
        columns<QRectF, QString, QRectF>("usable", "placement", "hangsFrom");
        const QRectF screen(0, 0, 1920, 1080);
        const QRectF belowBar(0, 27, 1920, 1053);
        row("below a top bar", belowBar, "workarea", belowBar);
        row("unknown names keep the default", belowBar, "sideways", belowBar);
        row("at the very top on request", belowBar, " Screen", screen);
        row("centred on the part beside a dock", QRectF(64, 27, 1856, 1053), "",
            QRectF(64, 27, 1856, 1053));
        row("a side dock alone changes nothing", QRectF(64, 0, 1856, 1080), "", screen);
        row("nothing reported", QRectF(), "", screen);
        row("empty", QRectF(0, 27, 0, 0), "", screen);
        row("larger than the screen", QRectF(0, 27, 3840, 2000), "", screen);
        row("off the screen", QRectF(0, 2000, 1920, 500), "", screen);
        row("too short for the crest", QRectF(0, 1000, 1920, 80), "", screen);
    }

    void crestHangsBelowTopPanels()
    {
        auto [usable, placement, hangsFrom] =
            fetch<QRectF, QString, QRectF>("usable", "placement", "hangsFrom");
        ScreenInfo info = plain(QRectF(0, 0, 1920, 1080));
        info.usableArea = usable;
        const auto geometry =
            CrestGeometry::measure({info}, 0, CrestGeometry::placementNamed(placement));
        QCOMPARE(geometry->screenFrame, hangsFrom);
        QCOMPARE(geometry->panelRect().top(), hangsFrom.top());
        QCOMPARE(geometry->notchRect().center().x(), hangsFrom.center().x());
        // The pointer on the panel above the crest does not open it.
        QCOMPARE(geometry->containsPointer({hangsFrom.center().x(), hangsFrom.top() - 1}, false),
                 false);
        QVERIFY(geometry->containsPointer({hangsFrom.center().x(), hangsFrom.top() + 1}, false));
    }

    void screenChoice()
    {
        const ScreenInfo external = plain(QRectF(0, 0, 2560, 1440));
        const ScreenInfo laptop = notched(QRectF(2560, 0, 1512, 982), 38, 3226, 3406);
        const ScreenInfo side = plain(QRectF(-1920, 0, 1920, 1080));

        QCOMPARE(CrestGeometry::measure({external, laptop}, 0)->screenFrame, laptop.frame);
        QCOMPARE(CrestGeometry::measure({external, side}, 1)->screenFrame, side.frame);
        QCOMPARE(CrestGeometry::measure({external, side}, -1)->screenFrame, external.frame);
        QCOMPARE(CrestGeometry::measure({external, side}, 7)->screenFrame, external.frame);
        QVERIFY(!CrestGeometry::measure({}, 0));
    }

    void hitTestCountsEdgesAndTheExpandedMargin()
    {
        const CrestGeometry g{QRectF(0, 0, 1920, 1080), 126, 32};
        // Collapsed: exactly the notch, edges inside.
        QVERIFY(g.containsPointer({897, 0}, false));
        QVERIFY(g.containsPointer({1023, 32}, false));
        QVERIFY(!g.containsPointer({896.9, 10}, false));
        QVERIFY(!g.containsPointer({960, 32.1}, false));
        QVERIFY(!g.containsPointer({960, 100}, false));
        // Expanded: the panel grown by 16 on every side.
        const double bottom = 170;
        QVERIFY(g.containsPointer({960, bottom + 10}, true));
        QVERIFY(g.containsPointer({960, bottom + 16}, true));
        QVERIFY(!g.containsPointer({960, bottom + 20}, true));
        QVERIFY(g.containsPointer({630 - 16, 100}, true));
        QVERIFY(!g.containsPointer({630 - 17, 100}, true));
        // Nothing above the screen's top edge counts.
        QVERIFY(!g.containsPointer({960, -1}, true));
    }

    void hotAreaIsClippedToNarrowScreens()
    {
        const CrestGeometry g{QRectF(0, 0, 500, 800), 126, 32};
        QVERIFY(g.containsPointer({0, 50}, true));
        QVERIFY(g.containsPointer({500, 50}, true));
        QVERIFY(!g.containsPointer({-5, 50}, true));
        QVERIFY(!g.containsPointer({505, 50}, true));

        // A hot area wholly off its screen answers false everywhere.
        const CrestGeometry empty{QRectF(0, 0, 0, 0), 126, 32};
        QVERIFY(!empty.containsPointer({0, 0}, false));
    }

    void outlineRunsFromTheNotchToThePanel()
    {
        const double panelHeight = 32 + 138;
        QCOMPARE(CrestOutline::rect(0, 660, 126, 32, panelHeight), QRectF(267, 0, 126, 32));
        QCOMPARE(CrestOutline::rect(1, 660, 126, 32, panelHeight), QRectF(0, 0, 660, panelHeight));
        QCOMPARE(CrestOutline::radius(0), 12.0);
        QCOMPARE(CrestOutline::radius(1), 25.0);

        // Square top corners, rounded bottom corners.
        const QPainterPath shape = CrestOutline::path(QRectF(0, 0, 126, 32), 12);
        QVERIFY(shape.contains(QPointF(0.5, 0.5)));
        QVERIFY(shape.contains(QPointF(125.5, 0.5)));
        QVERIFY(!shape.contains(QPointF(0.5, 31.5)));
        QVERIFY(!shape.contains(QPointF(125.5, 31.5)));
        QVERIFY(shape.contains(QPointF(63, 31.5)));

        // The critically damped spring never overshoots and settles.
        double previous = 0;
        for (double t = 0; t <= 1.0; t += 0.01) {
            const double v = CrestOutline::spring(0, 1, t);
            QVERIFY(v >= previous - 1e-12 && v <= 1.0);
            previous = v;
        }
        QVERIFY(CrestOutline::isSettled(CrestOutline::spring(0, 1, 0.6), 1));
        QVERIFY(!CrestOutline::isSettled(CrestOutline::spring(0, 1, 0.1), 1));
    }
};

QTEST_GUILESS_MAIN(CrestGeometryTest)
#include "tst_crest_geometry.moc"
