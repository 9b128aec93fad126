#pragma once

#include "platform/browser/BrowserPlayerChannel.h"

class BrowserHostServer;

/// The browser player's channel over `BrowserHostServer`: one JSON request
/// to the extension per call, for example
/// `{"type":"run","window":7,"index":1,"action":{"name":"seek","position":83.5}}`,
/// answered by `{"result":{...}}`, `{"windows":[{"id":7,"tabs":[...]}]}`,
/// `{"url":"..."}` or `{"error":"noTab"}`.
class BrowserExtensionChannel final : public BrowserPlayerChannel
{
public:
    /// Most windows, tabs per window and characters per address taken from
    /// an answer; the rest is left out.
    static constexpr int kMaxWindows = 64;
    static constexpr int kMaxTabs = 256;
    static constexpr qsizetype kMaxAddressLength = 4096;

    explicit BrowserExtensionChannel(BrowserHostServer &server);

    bool isRunning(qint32 processID) override;
    std::vector<qint32> connectedBrowsers() override;
    Result<std::vector<Window>> windows(qint32 processID, Seconds timeout) override;
    Result<QString> address(qint32 processID, const Tab &tab, Seconds timeout) override;
    Result<QJsonObject> run(qint32 processID, const Tab &tab, const QJsonObject &action,
                            Seconds timeout) override;

private:
    /// The extension's answer to `message`, or why there is none.
    Result<QJsonObject> ask(qint32 processID, const QJsonObject &message, Seconds timeout);

    BrowserHostServer &m_server;
};
