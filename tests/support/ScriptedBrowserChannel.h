#pragma once

#include "platform/browser/BrowserPlayerChannel.h"
#include "support/VirtualTime.h"

#include <QJsonDocument>

#include <map>

/// A browser player channel on virtual time: windows (numbered from 1) with
/// their tab addresses and what the page in a tab answers, failing or slow
/// as told (cut off at the time-out). Logs every request. Change it only
/// while the bridge is idle: its worker reads it unlocked.
class ScriptedBrowserChannel final : public BrowserPlayerChannel
{
public:
    struct Answer // value-initialised, as `{}`: no error, at once
    {
        std::optional<Error> error;
        double seconds;
    };

    explicit ScriptedBrowserChannel(VirtualTime &time) : m_time(time) {}

    QList<QStringList> tabs; // the addresses in window 1, 2, ...
    Answer listing{};
    std::map<std::pair<qint32, qint32>, std::pair<QJsonObject, Answer>> pages; // by window, index
    QStringList log; // "list", "address 1:0", "run 1:0 {action}"

    std::vector<qint32> browsers; // whose extension is connected
    bool isRunning(qint32) override { return true; }
    std::vector<qint32> connectedBrowsers() override { return browsers; }
    Result<std::vector<Window>> windows(qint32, Seconds timeout) override
    {
        log.append(QStringLiteral("list"));
        std::vector<Window> windows;
        for (qsizetype w = 0; w < tabs.size(); ++w)
            windows.push_back({qint32(w + 1), tabs[w]});
        return answer(listing, timeout, windows);
    }
    Result<QString> address(qint32, const Tab &tab, Seconds timeout) override
    {
        log.append(QStringLiteral("address %1:%2").arg(tab.window).arg(tab.index));
        return answer({}, timeout, tabs.value(tab.window - 1).value(tab.index));
    }
    Result<QJsonObject> run(qint32, const Tab &tab, const QJsonObject &action,
                            Seconds timeout) override
    {
        log.append(QStringLiteral("run %1:%2 ").arg(tab.window).arg(tab.index) +
                   QString::fromUtf8(QJsonDocument(action).toJson(QJsonDocument::Compact)));
        const auto page = pages.find({tab.window, tab.index});
        if (page == pages.end())
            return Error::noTab;
        return answer(page->second.second, timeout, page->second.first);
    }

private:
    template <typename T> Result<T> answer(const Answer &answer, Seconds timeout, T value)
    {
        m_time.advance(std::min(answer.seconds, timeout.count()));
        if (answer.seconds > timeout.count())
            return Error::timedOut;
        return answer.error ? Result<T>(*answer.error) : Result<T>(std::move(value));
    }

    VirtualTime &m_time;
};
