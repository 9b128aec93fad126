#include "nowplaying/RecordArt.h"
#include "nowplaying/ScrubberView.h"
#include "support/TestRows.h"
#include "ui/CrestStyle.h"

#include <QApplication>
#include <QTest>

#include <algorithm>
#include <memory>

// Custom-painted pieces on a screen of device pixel ratio 2: measured in
// device pixels, a shape must span twice its points with crisp edges, as
// drawn for the screen rather than drawn at ratio 1 and scaled up.
class MusicHiDpiTest : public QObject
{
    Q_OBJECT

private slots:
    void drawnForTheScreen_data()
    {
        // line: a one-pixel line of device pixels; span: device pixels of the measured shape
        columns<QString, QRect, int>("piece", "line", "span");
        // The track is 3 points high, centred in 14.
        row("scrubber track", QString("scrubber"), QRect(100, 0, 1, 28), 6);
        // The 4-point spindle in the middle of the record's label.
        row("record spindle", QString("record"), QRect(36, 44, 18, 1), 8);
    }
    void drawnForTheScreen()
    {
        auto [piece, line, span] = fetch<QString, QRect, int>("piece", "line", "span");
        std::unique_ptr<QWidget> widget;
        if (piece == "scrubber") {
            widget = std::make_unique<ScrubberView>(nullptr);
            widget->resize(206, 14);
        } else {
            widget = std::make_unique<RecordArt>(CrestStyle::accent, true);
            widget->resize(45, 45);
        }
        widget->setAutoFillBackground(true);
        widget->setPalette(QPalette(Qt::black));
        const QImage image = widget->grab().toImage().convertToFormat(QImage::Format_RGB32);
        QCOMPARE(image.size(), widget->size() * 2);

        // Grey levels along the line; the shape is what lies nearer the
        // level furthest from the line's start than the start itself.
        QList<int> levels;
        for (int y = line.top(); y <= line.bottom(); ++y)
            for (int x = line.left(); x <= line.right(); ++x)
                levels << qGray(image.pixel(x, y));
        const int start = levels.first();
        const int far = *std::max_element(levels.begin(), levels.end(), [start](int a, int b) {
            return std::abs(a - start) < std::abs(b - start);
        });
        int inside = 0;
        int blurred = 0;
        for (int level : levels) {
            const double share = double(level - start) / (far - start);
            inside += share > 0.5;
            blurred += share > 0.2 && share < 0.8;
        }
        QCOMPARE(inside, span);
        QVERIFY2(blurred <= 2, qPrintable(QString::number(blurred)));
    }
};

int main(int argc, char **argv)
{
    qputenv("QT_SCALE_FACTOR", "2");
    QApplication app(argc, argv);
    MusicHiDpiTest test;
    return QTest::qExec(&test, argc, argv);
}

#include "tst_music_hidpi.moc"
