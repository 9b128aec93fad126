#include "platform/desktop/AutostartLoginItem.h"
#include "platform/storage/LocalFileStorage.h"
#include "support/FileOwnership.h"
#include "support/TestRows.h"

#include <QFile>
#include <QTemporaryDir>
#include <QTest>

#include <optional>

using namespace Qt::StringLiterals;

class LoginItemTest : public QObject
{
    Q_OBJECT

    std::optional<QTemporaryDir> m_config;

private slots:
    void init()
    {
        QVERIFY(FileOwnership::dropRoot()); // so that permission bits bind
        m_config.emplace();
        qputenv("XDG_CONFIG_HOME", m_config->path().toUtf8());
    }

    void entryStartsTheRunningProgramAtLogin()
    {
        AutostartLoginItem item(LocalFileStorage::shared());
        const QString path = m_config->filePath(u"autostart/velloway.desktop"_s);
        QCOMPARE(AutostartLoginItem::entryPath(), path);
        QVERIFY(!item.isEnabled());
        QVERIFY(item.setEnabled(true) && item.isEnabled());
        QFile entry(path);
        QVERIFY(entry.open(QIODevice::ReadOnly));
        QVERIFY(entry.readAll().contains(
            "\nExec=" + QCoreApplication::applicationFilePath().toUtf8() + '\n'));

        // Switched off in the desktop's own settings: the entry stays but is off.
        FileOwnership::writeFile(path,
                                 *AutostartLoginItem::entry(u"/bin/velloway"_s) + "Hidden=true\n");
        QVERIFY(!item.isEnabled());
        QVERIFY(item.setEnabled(false) && !QFile::exists(path) && !item.isEnabled());
        QVERIFY(item.setEnabled(false));
    }

    void folderThatCannotBeMadeReportsFailure()
    {
        FileOwnership::writeFile(m_config->filePath(u"autostart"_s), "a file, not a folder");
        AutostartLoginItem item(LocalFileStorage::shared());
        QVERIFY(!item.setEnabled(true));
        QVERIFY(!item.isEnabled());
    }

    void execLineQuotesWhatTheDesktopWouldSplit_data()
    {
        // exec: empty when no entry can be made
        columns<QString, QByteArray>("program", "exec");
        row("plain", u"/usr/bin/velloway"_s, "/usr/bin/velloway"_ba);
        row("space", u"/opt/my apps/velloway"_s, R"("/opt/my apps/velloway")"_ba);
        row("field code", u"/opt/100%/velloway"_s, "/opt/100%%/velloway"_ba);
        row("quote and dollar", u"/opt/\"$x\"/v"_s, R"("/opt/\\"\\$x\\"/v")"_ba);
        row("backslash", u"/opt/a\\b"_s, R"("/opt/a\\\\b")"_ba);
        row("relative", u"velloway"_s, QByteArray());
        row("line break", u"/opt/a\nb"_s, QByteArray());
    }
    void execLineQuotesWhatTheDesktopWouldSplit()
    {
        auto [program, exec] = fetch<QString, QByteArray>("program", "exec");
        const auto entry = AutostartLoginItem::entry(program);
        QCOMPARE(entry.has_value(), !exec.isEmpty());
        if (entry)
            QVERIFY2(entry->contains("\nExec=" + exec + '\n'), entry->constData());
    }
};

QTEST_GUILESS_MAIN(LoginItemTest)
#include "tst_login_item.moc"
