#pragma once

#include "platform/desktop/Workspace.h"

/// A desktop that records what it was asked to open, one line per call
/// ("application <id>", "url <url>", "url <url> in <id>", "file <path>",
/// "reveal <paths>", "automation settings"), and answers `opens`.
class RecordingWorkspace final : public Workspace
{
public:
    bool opens = true;
    QStringList calls;

    void openApplication(const ApplicationIdentity &app, Completion completion) override
    {
        calls << QStringLiteral("application ") + app.identifier;
        completion(opens);
    }
    void openUrlInApplication(const QUrl &url, const ApplicationIdentity &app) override
    {
        calls << QStringLiteral("url %1 in %2").arg(url.toString(), app.identifier);
    }
    void openUrl(const QUrl &url, Completion completion) override
    {
        calls << QStringLiteral("url ") + url.toString();
        completion(opens);
    }
    void openFile(const QString &path, Completion completion) override
    {
        calls << QStringLiteral("file ") + path;
        completion(opens);
    }
    void revealFiles(const QStringList &paths) override
    {
        calls << QStringLiteral("reveal ") + paths.join(QLatin1Char(' '));
    }
    void openAutomationSettings() override { calls << QStringLiteral("automation settings"); }
};
