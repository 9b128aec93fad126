#include "updates/AppUpdateController.h"
#include "updates/CrestUpdateDriver.h"

#include <QTest>

namespace {

struct Driver : CrestUpdateDriver
{
    bool starts = true;
    bool canCheck = true;
    bool automatic = false;
    QStringList *log;
    explicit Driver(QStringList *l) : log(l) {}
    bool canCheckForUpdates() const override { return canCheck; }
    bool automaticallyChecksForUpdates() const override { return automatic; }
    void setAutomaticallyChecksForUpdates(bool value) override { automatic = value; }
    bool startUpdater() override
    {
        *log << QStringLiteral("start");
        return starts;
    }
    void checkForUpdates() override { *log << QStringLiteral("check"); }
};

} // namespace

class AppUpdateControllerTest : public QObject
{
    Q_OBJECT

private slots:
    void withoutADriverTheUserIsToldHowToUpdate()
    {
        AppUpdateController updates;
        updates.start();
        QVERIFY(!updates.canCheck() && !updates.automaticChecks() && !updates.setupMessage());
        updates.checkForUpdates();
        QCOMPARE(updates.setupMessage(), AppUpdateController::kManualUpdateMessage);
    }

    void aDriverThatFailsToStartIsNeverUsed()
    {
        QStringList log;
        auto *driver = new Driver(&log);
        driver->starts = false;
        AppUpdateController updates{std::unique_ptr<CrestUpdateDriver>(driver)};
        updates.start();
        QCOMPARE(updates.setupMessage(), AppUpdateController::kStartFailedMessage);
        updates.checkForUpdates();
        QCOMPARE(updates.setupMessage(), AppUpdateController::kManualUpdateMessage);
        QCOMPARE(log, QStringList{QStringLiteral("start")});
    }

    void aStartedDriverChecksAfterThePresentationHook()
    {
        QStringList log;
        auto *driver = new Driver(&log);
        AppUpdateController updates{std::unique_ptr<CrestUpdateDriver>(driver)};
        updates.willPresentUpdate = [&log] { log << QStringLiteral("present"); };
        updates.start();
        updates.start();
        updates.setAutomaticChecks(true);
        QVERIFY(updates.canCheck() && updates.automaticChecks());
        updates.checkForUpdates();
        driver->canCheck = false;
        updates.refreshSettings();
        updates.checkForUpdates();
        QCOMPARE(log, (QStringList{"start", "present", "check"}));
        QVERIFY(!updates.setupMessage());
    }
};

QTEST_GUILESS_MAIN(AppUpdateControllerTest)
#include "tst_appupdatecontroller.moc"
