#include "crest/CrestUpdateDialog.h"
#include "support/TestRows.h"
#include "updates/AppUpdateController.h"

#include <QAbstractButton>
#include <QMessageBox>

namespace {

using namespace Qt::StringLiterals;

// An updater that cannot start, so its message changes once a check is asked for.
struct StuckDriver : CrestUpdateDriver
{
    bool canCheckForUpdates() const override { return false; }
    bool automaticallyChecksForUpdates() const override { return false; }
    void setAutomaticallyChecksForUpdates(bool) override {}
    bool startUpdater() override { return false; }
    void checkForUpdates() override {}
};

} // namespace

class CrestUpdateDialogTest : public QObject
{
    Q_OBJECT

private slots:
    // One alert follows the message, and goes with it however it ends.
    void alertFollowsTheMessage_data()
    {
        columns<bool>("closedByPerson");
        row("OK pressed", true);
        row("message withdrawn", false);
    }
    void alertFollowsTheMessage()
    {
        auto [closedByPerson] = fetch<bool>("closedByPerson");
        QWidget crest;
        AppUpdateController updates(std::make_unique<StuckDriver>());
        CrestUpdateDialog dialog(updates, &crest);
        QVERIFY(!dialog.alert());
        updates.start();
        const QPointer<QMessageBox> alert = dialog.alert();
        QVERIFY(alert && alert->isVisible());
        QCOMPARE(QStringList({alert->windowTitle(), alert->text(), alert->informativeText()}),
                 QStringList({u"Velloway Updates"_s, u"Velloway Updates"_s,
                              AppUpdateController::kStartFailedMessage}));
        updates.checkForUpdates();
        QCOMPARE(dialog.alert(), alert.get());
        QCOMPARE(alert->informativeText(), AppUpdateController::kManualUpdateMessage);
        if (closedByPerson)
            alert->buttons().constFirst()->click();
        else
            updates.clearSetupMessage();
        QTRY_VERIFY(!alert);
        QVERIFY(!updates.setupMessage() && !dialog.alert());
    }
};

QTEST_MAIN(CrestUpdateDialogTest)
#include "tst_crest_update_dialog.moc"
