#include "platform/desktop/AppActivation.h"
#include "support/RecordingWorkspace.h"
#include "support/StoreFolder.h"
#include "support/TestImages.h"
#include "support/TestRows.h"
#include "tray/FileTrayStore.h"
#include "tray/view/TrayPreviewWindow.h"
#include "tray/view/TrayRowView.h"
#include "tray/view/TrayView.h"

#include <QAbstractButton>
#include <QBuffer>
#include <QLabel>
#include <QMenu>
#include <QMimeData>
#include <QPainter>
#include <QPdfWriter>
#include <QSignalSpy>
#include <QStackedWidget>
#include <QTest>

class TrayViewTest : public QObject
{
    Q_OBJECT

    StoreFolder m_folder;
    AppActivation m_activation;

    static bool shown(const QWidget *widget) { return widget->isVisibleTo(widget->window()); }

private slots:
    void init() { QVERIFY(m_folder.reset()); }

    // The tray holds "report.pdf" and a long-named file; `gone` is deleted
    // after it was added. Then `action` is taken on the first entry.
    void statesAndActions_data()
    {
        // calls: what reached the workspace; enabledMenu: "1" per enabled menu item
        columns<bool, bool, QString, QStringList, QString, QString, bool>(
            "gone", "opens", "action", "calls", "message", "enabledMenu", "previewing");

        const QString unavailable = QStringLiteral(
            "This file is unavailable. It may have moved or its drive may be disconnected.");
        row("double-click opens", false, true, "double-click", QStringList{"file REPORT"},
            QString(), "111-1", false);
        row("a file nothing opens", false, false, "Open", QStringList{"file REPORT"},
            "No application could open this file. Try Show in Folder.", "111-1", false);
        row("Show in Folder reveals", false, true, "Show in Folder", QStringList{"reveal REPORT"},
            QString(), "111-1", false);
        row("Preview sets the preview", false, true, "Preview", QStringList{}, QString(), "111-1",
            true);
        row("a vanished file opens nothing", true, true, "double-click", QStringList{}, unavailable,
            "000-1", false);
        row("eye button on a vanished file", true, true, "eye", QStringList{}, QString(), "000-1",
            false);
    }
    void statesAndActions()
    {
        auto [gone, opens, action, calls, message, enabledMenu, previewing] =
            fetch<bool, bool, QString, QStringList, QString, QString, bool>(
                "gone", "opens", "action", "calls", "message", "enabledMenu", "previewing");

        FileTrayStore store(m_folder.path("tray.json"), &m_folder.files, nullptr, &m_activation);
        store.start();
        RecordingWorkspace workspace;
        workspace.opens = opens;
        TrayView view(store, workspace);
        view.resize(330, 260);
        view.show();
        QVERIFY(QTest::qWaitForWindowExposed(&view));
        QVERIFY(view.findChild<QStackedWidget *>()->currentIndex() == 0); // the drop zone
        QVERIFY(!shown(view.findChild<QAbstractButton *>()));             // no "Clear"

        const QString report = m_folder.write("files/report.pdf", "%PDF");
        const QString longName =
            m_folder.write("files/" + QString(80, 'a') + "-quarterly-figures.xlsx", "x");
        store.addFiles({QUrl::fromLocalFile(report), QUrl::fromLocalFile(longName)});
        if (gone) {
            QFile::remove(report);
            view.hide();
            view.show(); // appearing again rechecks every entry
        }
        QCOMPARE(view.rows().size(), 2);
        QVERIFY(shown(view.findChild<QAbstractButton *>()));
        const auto *longLabel = view.rows()[1]->findChild<QLabel *>("name");
        QTRY_VERIFY(longLabel->text().contains(u'\u2026')); // shortened once laid out
        QVERIFY(longLabel->text().startsWith("aaa"));
        QVERIFY(longLabel->text().endsWith(".xlsx"));

        TrayRowView *first = view.rows().first();
        const std::unique_ptr<QMimeData> dragged(first->dragData());
        QCOMPARE(dragged->data("text/uri-list").trimmed(), QUrl::fromLocalFile(report).toEncoded());
        std::unique_ptr<QMenu> menu(first->makeContextMenu(nullptr));
        QString enabled;
        for (const QAction *item : menu->actions())
            enabled += item->isSeparator() ? QChar('-') : QChar(item->isEnabled() ? '1' : '0');
        QCOMPARE(enabled, enabledMenu);
        auto *eye = first->findChild<QAbstractButton *>();
        QCOMPARE(eye->accessibleName(), QString("Preview report.pdf"));
        QCOMPARE(eye->isEnabled(), !gone);

        if (action == "double-click")
            QTest::mouseDClick(first, Qt::LeftButton, {}, QPoint(60, 10));
        else if (action == "eye")
            eye->click();
        else
            for (QAction *item : menu->actions())
                if (item->text() == action)
                    item->trigger();
        calls.replaceInStrings("REPORT", report);
        QCOMPARE(workspace.calls, calls);
        const auto *line = view.findChild<QLabel *>("message");
        QCOMPARE(shown(line) ? line->text() : QString(), message);
        QCOMPARE(store.hasPreviewItem(), previewing);

        // Removing keeps the file and takes the row away, in the row's own click.
        first->findChildren<QAbstractButton *>().constLast()->click();
        QCOMPARE(view.rows().size(), 1);
        QCOMPARE(QFile::exists(report), !gone);
    }

    // The eye button opens the preview on `file`; `key` closes it again.
    void quickLook_data()
    {
        // kind: TrayPreview::Kind
        columns<QString, QByteArray, int, int>("file", "bytes", "kind", "key");

        using Kind = TrayPreview::Kind;
        QByteArray pdf;
        QBuffer buffer(&pdf);
        buffer.open(QIODevice::WriteOnly);
        QPdfWriter writer(&buffer);
        QPainter(&writer).fillRect(0, 0, 500, 500, Qt::red);
        const Kind page = TrayPreviewLoader::rendersPages() ? Kind::page : Kind::details;
        row("a picture, scaled down", "wide.png", TestImages::encode(3000, 1000, "png"),
            int(Kind::image), int(Qt::Key_Escape));
        row("text, capped", "notes.txt", QByteArray(200'000, 'a'), int(Kind::text),
            int(Qt::Key_Space));
        row("a document's first page", "report.pdf", pdf, int(page), int(Qt::Key_Escape));
        row("a broken picture: details", "broken.png", QByteArray("\x89PNG\r\n\x1a\nxx"),
            int(Kind::details), int(Qt::Key_Space));
        row("binary: details", "data.bin", QByteArray(10, '\0'), int(Kind::details),
            int(Qt::Key_Escape));
    }
    void quickLook()
    {
        auto [file, bytes, kind] = fetch<QString, QByteArray, int>("file", "bytes", "kind");
        FileTrayStore store(m_folder.path("tray.json"), &m_folder.files, nullptr, &m_activation);
        store.start();
        RecordingWorkspace workspace;
        TrayView view(store, workspace);
        view.show();
        store.addFiles({QUrl::fromLocalFile(m_folder.write(file, bytes))});
        QSignalSpy closed(&view, &TrayView::previewClosed);

        view.rows().first()->findChild<QAbstractButton *>()->click();
        QVERIFY(view.isPreviewOpen());
        TrayPreviewWindow *window = view.previewWindow();
        QTRY_VERIFY(window->preview().has_value());
        const TrayPreview &preview = *window->preview();
        QCOMPARE(int(preview.kind), kind);
        QCOMPARE(preview.name, file);
        QCOMPARE(window->windowTitle(), file);
        QVERIFY(!preview.sizeText.isEmpty());
        QVERIFY(preview.text.size() <= TrayPreviewLoader::kMaxTextBytes + 2);
        QVERIFY(preview.image.width() <= 620 * window->devicePixelRatioF());
        QVERIFY(preview.image.height() <= 440 * window->devicePixelRatioF());

        QFETCH(int, key);
        QVERIFY(QTest::qWaitForWindowActive(window));
        QTest::keyClick(window, Qt::Key(key));
        QVERIFY(!view.isPreviewOpen());
        QVERIFY(!store.hasPreviewItem());
        QCOMPARE(closed.size(), 1);
    }
};

QTEST_MAIN(TrayViewTest)
#include "tst_tray_view.moc"
