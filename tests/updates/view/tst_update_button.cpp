#include "updates/AppUpdateController.h"
#include "updates/view/UpdateAvailableButton.h"

#include <QTest>

using namespace Qt::StringLiterals;

class UpdateButtonTest : public QObject
{
    Q_OBJECT

private slots:
    void showsOnlyWithAVersionAndChecksOnClick()
    {
        AppUpdateController updates;
        QWidget header;
        UpdateAvailableButton button(updates, &header);
        header.show();
        QVERIFY(!button.isVisible());
        updates.setAvailableVersion(u"2.0"_s);
        QVERIFY(button.isVisible());
        QVERIFY(!updates.setupMessage());
        button.click();
        QVERIFY(updates.setupMessage()->startsWith(u"Updates are installed by hand"_s));
        updates.setAvailableVersion(std::nullopt);
        QVERIFY(!button.isVisible());
    }
};

QTEST_MAIN(UpdateButtonTest)
#include "tst_update_button.moc"
