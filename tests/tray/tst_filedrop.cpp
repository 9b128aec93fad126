// GCC 12 with the sanitizers takes a std::variant of Qt strings built from a
// temporary for maybe uninitialized: a false positive in its headers.
#if defined(__GNUC__) && !defined(__clang__)
#pragma GCC diagnostic ignored "-Wmaybe-uninitialized"
#endif

#include "crest/CrestFileDropDelegate.h"
#include "crest/CrestState.h"
#include "platform/desktop/AppActivation.h"
#include "support/FileOwnership.h"
#include "support/VirtualTime.h"
#include "tray/FileDropLoader.h"
#include "tray/FileTrayStore.h"
#include "tray/UriListDropItem.h"

#include <QMimeData>
#include <QSignalSpy>
#include <QTemporaryDir>
#include <QTest>

#include <thread>

namespace {

/// A provider that answers only when told to, from a thread of its own, as
/// the drop system's providers do.
class ManualItem final : public FileDropItem
{
public:
    ManualItem(bool conforms, Payload answer) : m_conforms(conforms), m_answer(std::move(answer)) {}
    ~ManualItem() override
    {
        if (m_thread.joinable())
            m_thread.join();
    }

    bool conformsToFileURL() const override { return m_conforms; }
    void loadFileURL(std::function<void(Payload)> deliver) override
    {
        ++requests;
        m_deliver = std::move(deliver);
    }

    void answer()
    {
        m_thread = std::thread([deliver = m_deliver, answer = m_answer] { deliver(answer); });
        m_thread.join();
    }

    int requests = 0;

private:
    bool m_conforms;
    Payload m_answer;
    std::function<void(Payload)> m_deliver;
    std::thread m_thread;
};

QUrl file(const QString &path)
{
    return QUrl::fromLocalFile(path);
}

} // namespace

class FileDropTest : public QObject
{
    Q_OBJECT

    // A crest and a tray as the application wires them, on virtual time.
    struct Crest
    {
        QTemporaryDir dir;
        VirtualTime time;
        AppActivation activation;
        CrestState state{time};
        FileTrayStore tray{dir.path() + "/Velloway/tray.json", nullptr, nullptr, &activation};
        CrestFileDropDelegate delegate{state, tray};

        QString file(const QString &name)
        {
            const QString path = dir.path() + "/" + name;
            FileOwnership::writeFile(path, "x");
            return path;
        }
    };

private slots:
    void loadWithNothingToLoadStillCompletes()
    {
        QObject context;
        std::optional<QList<QUrl>> result;
        FileDropLoader::load({std::make_shared<ManualItem>(false, file("/x"))}, &context,
                             [&](QList<QUrl> urls) { result = urls; });
        QTRY_VERIFY(result.has_value());
        QVERIFY(result->isEmpty());

        // A context that is gone by then receives nothing.
        bool called = false;
        {
            QObject gone;
            FileDropLoader::load({}, &gone, [&](QList<QUrl>) { called = true; });
        }
        QCoreApplication::processEvents();
        QVERIFY(!called);
    }

    void uriListEntriesStandForTheirUrls()
    {
        QMimeData data;
        data.setData("text/uri-list", "# a comment\r\nfile:///tmp/one\r\nhttps://example.org/\r\n"
                                      "file:///tmp/two%20words\r\n");
        const auto items = UriListDropItem::fromMimeData(&data);
        QCOMPARE(items.size(), 3);
        QCOMPARE(items[0]->conformsToFileURL(), true);
        QCOMPARE(items[1]->conformsToFileURL(), false);
        QCOMPARE(items[2]->conformsToFileURL(), true);

        std::optional<QList<QUrl>> result;
        QObject context;
        FileDropLoader::load(items, &context, [&](QList<QUrl> urls) { result = urls; });
        QTRY_VERIFY(result.has_value());
        QCOMPARE(*result, (QList<QUrl>{file("/tmp/one"), file("/tmp/two words")}));

        QMimeData textOnly;
        textOnly.setText("file:///tmp/one");
        QVERIFY(UriListDropItem::fromMimeData(&textOnly).isEmpty());
        QVERIFY(UriListDropItem::fromMimeData(nullptr).isEmpty());
    }

    void droppedFilesReachTheTrayInDraggedOrderBeforeTheDropFinishes()
    {
        Crest crest;
        const QString a = crest.file("a"), b = crest.file("b c"), c = crest.file("c");
        auto itemA = std::make_shared<ManualItem>(true, file(a));
        auto text = std::make_shared<ManualItem>(false, QString("plain text"));
        auto itemB = std::make_shared<ManualItem>(true, file(b).toEncoded());
        auto link = std::make_shared<ManualItem>(true, QString("https://example.org/"));
        auto broken = std::make_shared<ManualItem>(true, FileDropItem::Payload());
        auto itemC = std::make_shared<ManualItem>(true, file(c).toString());
        std::optional<bool> decodingWhenAdded;
        int additions = 0;
        QObject::connect(&crest.tray, &FileTrayStore::itemsChanged, [&] {
            ++additions;
            decodingWhenAdded = crest.state.isDecodingDrop();
        });

        QVERIFY(crest.delegate.performDrop({itemA, text, itemB, link, broken, itemC}));
        QVERIFY(crest.state.isDecodingDrop());
        QVERIFY(crest.state.showsTray());
        QCOMPARE(text->requests, 0); // only file-URL providers are asked
        QCOMPARE(itemA->requests + itemB->requests + itemC->requests, 3);
        for (auto *item : {itemC.get(), link.get(), itemA.get(), broken.get()})
            item->answer();
        QCoreApplication::processEvents();
        QVERIFY(crest.state.isDecodingDrop()); // waits for every provider
        itemB->answer();
        QVERIFY(crest.state.isDecodingDrop()); // delivered later, on the main thread
        QTRY_VERIFY(!crest.state.isDecodingDrop());
        QCoreApplication::processEvents();
        QCOMPARE(additions, 1);
        QCOMPARE(decodingWhenAdded, std::optional(true));
        QList<QString> paths;
        for (const TrayItem &item : crest.tray.items())
            paths << item.url.toLocalFile();
        QCOMPARE(paths, (QList<QString>{a, b, c}));
        QVERIFY(crest.tray.message().isEmpty()); // the web link was skipped silently
    }

    void dropWithoutUsableFilesStillFinishes()
    {
        Crest crest;
        crest.tray.setMessage("old");
        auto link = std::make_shared<ManualItem>(true, QString("https://example.org/"));
        QVERIFY(crest.delegate.performDrop({link}));
        QVERIFY(crest.state.isDecodingDrop());
        link->answer();
        QTRY_VERIFY(!crest.state.isDecodingDrop());
        QVERIFY(crest.tray.message().isEmpty()); // addFiles ran with nothing
        QVERIFY(crest.tray.items().isEmpty());
    }

    void dragsWithoutFilesAreRefusedAndTellTheCrestNothing()
    {
        Crest crest;
        QSignalSpy showsTray(&crest.state, &CrestState::showsTrayChanged);
        QSignalSpy dragActive(&crest.state, &CrestState::isFileDragActiveChanged);
        QMimeData links;
        links.setData("text/uri-list", "https://example.org/\r\n");
        links.setText("file:///etc/hostname");
        QVERIFY(!crest.delegate.dragEntered(links));
        QVERIFY(!crest.delegate.dropped(links));
        QVERIFY(!crest.delegate.performDrop({std::make_shared<ManualItem>(false, file("/tmp/x"))}));
        QVERIFY(!crest.state.isDecodingDrop());
        QCOMPARE(showsTray.count(), 0);
        QCOMPARE(dragActive.count(), 0);
        QCoreApplication::processEvents();
        QVERIFY(crest.tray.message().isEmpty());
    }

    void enteringAndLeavingDriveTheCrest()
    {
        Crest crest;
        QMimeData files;
        files.setUrls({QUrl("https://example.org/"), file(crest.file("a"))});
        QVERIFY(crest.delegate.dragEntered(files));
        QVERIFY(crest.state.isFileDragActive());
        QVERIFY(crest.state.showsTray());
        crest.delegate.dragExited();
        QVERIFY(!crest.state.isFileDragActive());
        crest.time.advance(CrestState::kTrayReturnDelay + 0.01);
        QVERIFY(!crest.state.showsTray()); // the tray is empty: back to the default view

        QVERIFY(crest.delegate.dragEntered(files));
        QVERIFY(crest.delegate.dropped(files));
        QTRY_VERIFY(!crest.state.isDecodingDrop());
        QCOMPARE(crest.tray.items().size(), 1);
    }
};

QTEST_GUILESS_MAIN(FileDropTest)
#include "tst_filedrop.moc"
