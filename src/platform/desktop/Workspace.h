#pragma once

#include "platform/apps/ApplicationLookup.h"

#include <QString>
#include <QStringList>
#include <QUrl>

#include <functional>

/// Opens applications, addresses and files the way the desktop does, and shows
/// files in the file manager. Every call returns at once; the work runs in
/// other processes. Completions run on the main thread. User-controlled text
/// is never given to a shell: arguments are passed as a list.
class Workspace
{
public:
    virtual ~Workspace() = default;

    /// true when the desktop reported success.
    using Completion = std::function<void(bool opened)>;

    /// Starts the application from its desktop entry, else its executable,
    /// bringing it forward when it already runs.
    virtual void openApplication(const ApplicationIdentity &app, Completion completion) = 0;

    /// Opens `url` in the application (for example a web address in one
    /// particular browser). No completion: the browser reports nothing useful.
    virtual void openUrlInApplication(const QUrl &url, const ApplicationIdentity &app) = 0;

    /// Opens `url` (a web address, a "spotify:" link, a file) with the
    /// desktop's default handler.
    virtual void openUrl(const QUrl &url, Completion completion) = 0;

    /// Opens a file or folder with its default application.
    virtual void openFile(const QString &path, Completion completion) = 0;

    /// Shows the files selected in the file manager, falling back to opening
    /// the folder that holds the first of them.
    virtual void revealFiles(const QStringList &paths) = 0;

    /// The system settings page for automation privacy. Linux has none: does
    /// nothing.
    virtual void openAutomationSettings() {}
};
