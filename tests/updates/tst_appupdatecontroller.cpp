#include "updates/AppUpdateController.h"

#include <QTest>

namespace {

struct Driver : CrestUpdateDriver
{
    bool starts = true;
    bool canCheck = true;
    bool automatic = false;
    QStringList &log;
    explicit Driver(QStringList &l) : log(l) {}
    bool canCheckForUpdates() const override { return canCheck; }
    bool automaticallyChecksForUpdates() const override { return automatic; }
    void setAutomaticallyChecksForUpdates(bool value) override { automatic = value; }
    bool startUpdater() override { return log << "start", starts; }
    void checkForUpdates() override { log << "check"; }
};

} // namespace

class AppUpdateControllerTest : public QObject
{
    Q_OBJECT

private slots:
    void withoutAStartedDriverTheUserIsToldHowToUpdate()
    {
        QStringList log;
        auto driver = std::make_unique<Driver>(log);
        driver->starts = false;
        AppUpdateController shipped, failing(std::move(driver));
        shipped.start();
        failing.start();
        QVERIFY(!shipped.setupMessage() && !shipped.canCheck());
        QCOMPARE(failing.setupMessage(), AppUpdateController::kStartFailedMessage);
        shipped.checkForUpdates();
        failing.checkForUpdates();
        QCOMPARE(shipped.setupMessage(), AppUpdateController::kManualUpdateMessage);
        QCOMPARE(failing.setupMessage(), AppUpdateController::kManualUpdateMessage);
        QCOMPARE(log, QStringList{"start"});
    }

    void aStartedDriverChecksAfterThePresentationHook()
    {
        QStringList log;
        auto owned = std::make_unique<Driver>(log);
        Driver &driver = *owned;
        AppUpdateController updates(std::move(owned));
        updates.willPresentUpdate = [&log] { log << "present"; };
        updates.start();
        updates.start();
        updates.checkForUpdates();
        driver.canCheck = false;
        updates.refreshSettings();
        updates.checkForUpdates();
        QCOMPARE(log, (QStringList{"start", "present", "check"}));
    }
};

QTEST_GUILESS_MAIN(AppUpdateControllerTest)
#include "tst_appupdatecontroller.moc"
