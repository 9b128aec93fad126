#pragma once

#include "platform/browser/BrowserHostServer.h"
#include "scripting/ScriptReference.h"
#include "scripting/ScriptTransport.h"

#include <QStringList>

#include <map>
#include <optional>

/// The scripting transport for browsers on Linux: it answers the Chromium
/// browsers' object model, which Firefox shares here (windows, tabs and
/// their addresses, running the bundled page program in a tab) through the
/// Velloway extension, reached over `BrowserHostServer`. Windows are named
/// by the browser's window id, tabs by their 1-based position in the
/// window. The extension only sees the addresses of YouTube Music tabs;
/// every other tab's address reads as empty text. Only the bundled program
/// runs: a script must be the program text, ")(", an action in JSON and ")".
///
/// The tab addresses of a window are served from the listing read by the
/// last window request (a scan reads it once); a single tab's address is
/// always asked afresh.
class BrowserScriptTransport final : public ScriptTransport
{
public:
    /// Most windows and tabs per window taken from a listing.
    static constexpr int kMaxWindows = 64;
    static constexpr int kMaxTabs = 256;

    BrowserScriptTransport(BrowserHostServer &server, QString program);

    /// 0 while the browser runs, -600 otherwise. There is nothing to ask.
    qint32 determinePermission(qint32 processID, ScriptCode eventClass, ScriptCode eventID,
                               bool ask) override;
    ScriptResult send(const ScriptEvent &event, qint32 processID, Seconds timeout) override;

private:
    struct TabAddress
    {
        qint32 window = 0;
        qint32 index = 0; // 1-based; 0 means every tab
    };

    ScriptResult listWindows(qint32 processID, Seconds timeout);
    ScriptResult tabAddresses(qint32 window, qint32 processID, Seconds timeout);
    ScriptResult tabAddress(const TabAddress &tab, qint32 processID, Seconds timeout);
    ScriptResult run(const ScriptEvent &event, qint32 processID, Seconds timeout);
    static std::optional<TabAddress> tabOf(const std::vector<ScriptReference::Step> &steps);

    BrowserHostServer &m_server;
    QString m_program;
    std::optional<std::map<qint32, QStringList>> m_listing; // window id -> tab addresses
};
