#include "app/AppDelegate.h"
#include "crest/CrestState.h"
#include "notes/NotesStore.h"
#include "support/FileOwnership.h"
#include "support/VirtualTime.h"
#include "tray/FileTrayStore.h"

#include <QTemporaryDir>
#include <QTest>

using namespace FileOwnership;

// The stores as the application delegate wires them into the crest, on a
// real display with data in a temporary folder.
class StoreWiringTest : public QObject
{
    Q_OBJECT

    QTemporaryDir m_home;
    QString notesFile() const { return m_home.path() + "/data/Velloway/notes.json"; }

private slots:
    void initTestCase()
    {
        qputenv("XDG_DATA_HOME", QFile::encodeName(m_home.path() + "/data"));
        qputenv("XDG_CONFIG_HOME", QFile::encodeName(m_home.path() + "/config"));
    }

    void trayContentDecidesTheTrayLayout()
    {
        const QString file = m_home.path() + "/dropped.txt";
        writeFile(file, "x");
        {
            VirtualTime time;
            AppDelegate delegate(time, time);
            delegate.applicationDidFinishLaunching();
            QVERIFY(!delegate.state().showsTray());
            delegate.tray().addFiles({QUrl::fromLocalFile(file)});
            QVERIFY(delegate.state().showsTray());
            delegate.tray().clear();
            QVERIFY(!delegate.state().showsTray());
            delegate.tray().addFiles({QUrl::fromLocalFile(file)});
        }
        // At the next launch the restored tray shows at once.
        VirtualTime time;
        AppDelegate delegate(time, time);
        delegate.applicationDidFinishLaunching();
        QCOMPARE(delegate.tray().items().size(), 1);
        QVERIFY(delegate.state().showsTray());
    }

    void previewsPickersAndPendingDeletionsHoldTheCrestOpen()
    {
        VirtualTime time;
        AppDelegate delegate(time, time);
        delegate.applicationDidFinishLaunching();
        const auto active = [&] { return delegate.state().isInteractionActive(); };
        QVERIFY(!active());
        delegate.tray().setPreviewItem(TrayItem{QUuid::createUuid(), QUrl("file:///x"), true});
        QVERIFY(active());
        delegate.tray().setPreviewItem(std::nullopt);
        delegate.tray().setPickerPresented(true);
        QVERIFY(active());
        delegate.tray().setPickerPresented(false);
        delegate.notes().setPendingDeletionID(QUuid::createUuid());
        QVERIFY(active());
        delegate.notes().setPendingDeletionID(std::nullopt);
        QVERIFY(!active());
    }

    void collapsingAndQuittingWritePendingEdits()
    {
        VirtualTime time;
        AppDelegate delegate(time, time);
        delegate.applicationDidFinishLaunching();
        NotesStore &notes = delegate.notes();
        const QUuid id = notes.notes().first().id;

        delegate.setExpanded(true);
        notes.updateContent("written on collapse", id);
        delegate.setExpanded(false);
        QVERIFY(readFile(notesFile()).contains("written on collapse"));

        notes.updateContent("written on quit", id);
        time.advance(0.2);
        delegate.applicationWillTerminate();
        QVERIFY(readFile(notesFile()).contains("written on quit"));
    }
};

QTEST_MAIN(StoreWiringTest)
#include "tst_storewiring.moc"
