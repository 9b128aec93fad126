#pragma once

#include "platform/desktop/Workspace.h"

/// A desktop that records each call as a line ("url <url> in <app id>") and answers `opens`.
class RecordingWorkspace final : public Workspace
{
public:
    bool opens = true;
    QStringList calls;

    void openApplication(const ApplicationIdentity &app, Completion done) override
    {
        record(QStringLiteral("application ") + app.identifier, done);
    }
    void openUrlInApplication(const QUrl &url, const ApplicationIdentity &app) override
    {
        record(QStringLiteral("url %1 in %2").arg(url.toString(), app.identifier));
    }
    void openUrl(const QUrl &url, Completion done) override
    {
        record("url " + url.toString(), done);
    }
    void openFile(const QString &path, Completion done) override { record("file " + path, done); }
    void revealFiles(const QStringList &paths) override { record("reveal " + paths.join(' ')); }
    void openAutomationSettings() override { record(QStringLiteral("automation settings")); }

private:
    void record(const QString &call, const Completion &done = {})
    {
        calls << call;
        if (done)
            done(opens);
    }
};
