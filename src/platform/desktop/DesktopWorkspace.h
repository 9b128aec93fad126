#pragma once

#include "platform/desktop/Workspace.h"

#include <QDBusConnection>
#include <QObject>

class Scheduler;

/// `Workspace` on a freedesktop.org desktop. Applications start from their
/// desktop entry (`gio launch`), else from their executable on PATH; files
/// open with `gio open` and other addresses with `xdg-open`, each reporting
/// its exit status; files are shown through the session bus's
/// `org.freedesktop.FileManager1`. Paths travel as percent-encoded file URLs,
/// so a name with spaces, quotes, a leading dash or bytes that are not UTF-8
/// reaches the handler as exactly that file.
class DesktopWorkspace final : public QObject, public Workspace
{
    Q_OBJECT

public:
    /// A helper still running this long after its start is stopped. Failures
    /// (no handler, a missing file) are reported at once; only a helper that
    /// runs the handler in the foreground (xdg-open outside a desktop
    /// environment) lives this long, so it counts as opened.
    static constexpr double kHelperTimeout = 30;
    /// How long the file manager may take to start and answer before the
    /// folder is opened instead.
    static constexpr int kFileManagerTimeoutMs = 10'000;

    explicit DesktopWorkspace(Scheduler &scheduler, QObject *parent = nullptr);

    void openApplication(const ApplicationIdentity &app, Completion completion) override;
    void openUrlInApplication(const QUrl &url, const ApplicationIdentity &app) override;
    void openUrl(const QUrl &url, Completion completion) override;
    void openFile(const QString &path, Completion completion) override;
    void revealFiles(const QStringList &paths) override;

    /// The file URL of a path as the file system holds it (any bytes but
    /// NUL), every byte outside the unreserved set percent-encoded. A name
    /// that is not UTF-8 has no QString path: it opens through `openUrl` with
    /// this URL.
    static QUrl fileUrl(const QByteArray &nativePath);

private:
    /// Runs a helper and reports whether it exited with status 0.
    void run(const QString &program, const QStringList &arguments, Completion completion);
    /// Starts a program that outlives us; reports whether it started.
    void startDetached(const QString &program, const QStringList &arguments, Completion completion);
    /// Calls `completion` from the event loop, never from inside the caller.
    void post(Completion completion, bool opened);

    Scheduler &m_scheduler;
    QDBusConnection m_bus;
};
