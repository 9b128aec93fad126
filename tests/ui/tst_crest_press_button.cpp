#include "support/TestRows.h"
#include "ui/CrestPressButton.h"

#include <QTest>
#include <QVariantAnimation>

class CrestPressButtonTest : public QObject
{
    Q_OBJECT

private slots:
    // The look at the moment of the press, once the press has run its
    // course, and after release.
    void pressLook_data()
    {
        columns<bool, bool, double, double, double, double>("enabled", "reduceMotion",
                                                            "opacityAtOnce", "scaleAtOnce",
                                                            "opacityPressed", "scalePressed");

        row("dims and dips over the animation", true, false, 1.0, 1.0, 0.72, 0.94);
        row("reduced motion dims at once, no dip", true, true, 0.72, 1.0, 0.72, 1.0);
        row("disabled stays faint and still", false, false, 0.35, 1.0, 0.35, 1.0);
    }
    void pressLook()
    {
        auto [enabled, reduceMotion, opacityAtOnce, scaleAtOnce, opacityPressed, scalePressed] =
            fetch<bool, bool, double, double, double, double>("enabled", "reduceMotion",
                                                              "opacityAtOnce", "scaleAtOnce",
                                                              "opacityPressed", "scalePressed");

        CrestPressButton button;
        button.setFixedSize(26, 26);
        button.setEnabled(enabled);
        button.setReduceMotion(reduceMotion);
        auto *animation = button.findChild<QVariantAnimation *>();
        // Runs the press animation to its end without waiting for it.
        const auto finish = [animation] {
            if (animation->state() == QAbstractAnimation::Running)
                animation->setCurrentTime(animation->duration());
        };

        QTest::mousePress(&button, Qt::LeftButton);
        QCOMPARE(button.paintedOpacity(), opacityAtOnce);
        QCOMPARE(button.paintedScale(), scaleAtOnce);
        finish();
        QCOMPARE(button.paintedOpacity(), opacityPressed);
        QCOMPARE(button.paintedScale(), scalePressed);
        QTest::mouseRelease(&button, Qt::LeftButton);
        finish();
        QCOMPARE(button.paintedOpacity(), enabled ? 1.0 : 0.35);
        QCOMPARE(button.paintedScale(), 1.0);
    }
};

QTEST_MAIN(CrestPressButtonTest)
#include "tst_crest_press_button.moc"
