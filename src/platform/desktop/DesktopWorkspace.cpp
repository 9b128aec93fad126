#include "platform/desktop/DesktopWorkspace.h"

#include "core/Scheduler.h"
#include "platform/apps/ApplicationFiles.h"

#include <QDBusMessage>
#include <QDBusPendingCallWatcher>
#include <QFileInfo>
#include <QPointer>
#include <QProcess>
#include <QStandardPaths>

#include <memory>

namespace {

QString tool(const char *name)
{
    return QStandardPaths::findExecutable(QString::fromLatin1(name));
}

// A URL with a scheme begins with a letter, so no helper can take it for
// an option.
bool isAbsolute(const QUrl &url)
{
    return url.isValid() && !url.scheme().isEmpty();
}

void silence(QProcess &process)
{
    // The helper may start an application that outlives it and inherits its
    // descriptors: none of ours may stay open in it.
    process.setStandardInputFile(QProcess::nullDevice());
    process.setStandardOutputFile(QProcess::nullDevice());
    process.setStandardErrorFile(QProcess::nullDevice());
}

} // namespace

DesktopWorkspace::DesktopWorkspace(Scheduler &scheduler, QObject *parent)
    : QObject(parent), m_scheduler(scheduler), m_bus(QDBusConnection::sessionBus())
{}

QUrl DesktopWorkspace::fileUrl(const QByteArray &nativePath)
{
    return QUrl::fromEncoded("file://" + nativePath.toPercentEncoding("/"), QUrl::StrictMode);
}

void DesktopWorkspace::post(Completion completion, bool opened)
{
    if (!completion)
        return;
    QMetaObject::invokeMethod(
        this, [completion = std::move(completion), opened] { completion(opened); },
        Qt::QueuedConnection);
}

void DesktopWorkspace::run(const QString &program, const QStringList &arguments,
                           Completion completion)
{
    if (program.isEmpty()) {
        post(std::move(completion), false);
        return;
    }
    struct Pending
    {
        Completion completion;
        CancelHandle timeout;
        bool isDone = false;
    };
    auto pending = std::make_shared<Pending>();
    pending->completion = std::move(completion);
    QPointer<QProcess> process = new QProcess(this);
    silence(*process);
    const auto finish = [process, pending](bool opened) {
        if (pending->isDone)
            return;
        pending->isDone = true;
        pending->timeout.cancel();
        if (process) {
            process->disconnect();
            if (process->state() == QProcess::NotRunning)
                process->deleteLater();
            else
                connect(process, &QProcess::finished, process, &QObject::deleteLater);
        }
        if (pending->completion)
            pending->completion(opened);
    };
    connect(process, &QProcess::finished, this,
            [finish](int exitCode, QProcess::ExitStatus status) {
                finish(status == QProcess::NormalExit && exitCode == 0);
            });
    connect(process, &QProcess::errorOccurred, this, [finish](QProcess::ProcessError error) {
        if (error == QProcess::FailedToStart)
            finish(false);
    });
    pending->timeout = m_scheduler.after(Seconds(kHelperTimeout), [process, finish] {
        if (!process)
            return; // the workspace is gone, and with it every completion
        process->kill();
        finish(true);
    });
    process->start(program, arguments);
}

void DesktopWorkspace::startDetached(const QString &program, const QStringList &arguments,
                                     Completion completion)
{
    bool started = false;
    if (!program.isEmpty()) {
        QProcess process;
        silence(process);
        process.setProgram(program);
        process.setArguments(arguments);
        started = process.startDetached();
    }
    post(std::move(completion), started);
}

void DesktopWorkspace::openApplication(const ApplicationIdentity &app, Completion completion)
{
    const QString entry = ApplicationFiles::desktopEntry(app);
    const QString executable = ApplicationFiles::executable(app);
    const QString gio = tool("gio");
    if (entry.isEmpty() || gio.isEmpty()) {
        startDetached(executable, {}, std::move(completion));
        return;
    }
    run(gio, {QStringLiteral("launch"), entry}, [this, executable, completion](bool opened) {
        // An entry that cannot start (hidden, or naming a program that is
        // gone) still leaves the executable.
        if (opened || executable.isEmpty()) {
            if (completion)
                completion(opened);
            return;
        }
        startDetached(executable, {}, completion);
    });
}

void DesktopWorkspace::openUrlInApplication(const QUrl &url, const ApplicationIdentity &app)
{
    if (!isAbsolute(url))
        return;
    const QString address = url.toString(QUrl::FullyEncoded);
    const QString executable = ApplicationFiles::executable(app);
    if (!executable.isEmpty()) {
        startDetached(executable, {address}, {});
        return;
    }
    const QString entry = ApplicationFiles::desktopEntry(app);
    if (!entry.isEmpty())
        run(tool("gio"), {QStringLiteral("launch"), entry, address}, {});
}

void DesktopWorkspace::openUrl(const QUrl &url, Completion completion)
{
    if (!isAbsolute(url)) {
        post(std::move(completion), false);
        return;
    }
    const QString address = url.toString(QUrl::FullyEncoded);
    const QString gio = tool("gio");
    const QString xdgOpen = tool("xdg-open");
    // gio hands a file to its handler exactly as named, where xdg-open outside
    // a desktop environment turns the URL back into a path of its own making.
    if (url.isLocalFile() && !gio.isEmpty())
        run(gio, {QStringLiteral("open"), address}, std::move(completion));
    else if (!xdgOpen.isEmpty())
        run(xdgOpen, {address}, std::move(completion));
    else
        run(gio, {QStringLiteral("open"), address}, std::move(completion));
}

void DesktopWorkspace::openFile(const QString &path, Completion completion)
{
    if (path.isEmpty()) {
        post(std::move(completion), false);
        return;
    }
    openUrl(fileUrl(QFile::encodeName(QFileInfo(path).absoluteFilePath())), std::move(completion));
}

void DesktopWorkspace::revealFiles(const QStringList &paths)
{
    QStringList uris;
    QString folder;
    for (const QString &path : paths) {
        if (path.isEmpty())
            continue;
        const QFileInfo file(path);
        uris.append(
            fileUrl(QFile::encodeName(file.absoluteFilePath())).toString(QUrl::FullyEncoded));
        if (folder.isEmpty())
            folder = file.absolutePath();
    }
    if (uris.isEmpty())
        return;
    auto call = QDBusMessage::createMethodCall(QStringLiteral("org.freedesktop.FileManager1"),
                                               QStringLiteral("/org/freedesktop/FileManager1"),
                                               QStringLiteral("org.freedesktop.FileManager1"),
                                               QStringLiteral("ShowItems"));
    call << uris << QString();
    auto *watcher = new QDBusPendingCallWatcher(m_bus.asyncCall(call, kFileManagerTimeoutMs), this);
    connect(watcher, &QDBusPendingCallWatcher::finished, this,
            [this, folder](QDBusPendingCallWatcher *finished) {
                finished->deleteLater();
                if (finished->isError())
                    openFile(folder, {});
            });
}
