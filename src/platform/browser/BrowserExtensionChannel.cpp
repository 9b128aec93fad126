#include "platform/browser/BrowserExtensionChannel.h"

#include "platform/browser/BrowserHostServer.h"

#include <QJsonArray>

#include <algorithm>
#include <cmath>

using Error = BrowserPlayerChannel::Error;
using Outcome = BrowserHostServer::Outcome;

namespace {

// Window ids are the browser's own positive integers, carried as JSON numbers.
std::optional<qint32> windowID(const QJsonValue &value)
{
    const double number = value.toDouble(-1);
    if (!value.isDouble() || !(number >= 1 && number <= 2'147'483'647) ||
        number != std::floor(number))
        return std::nullopt;
    return qint32(number);
}

// An address that is not text, or too long to be one worth reading, counts
// as hidden: one odd tab must not hide the others.
QString addressOf(const QJsonValue &value)
{
    const QString text = value.toString();
    return text.size() <= BrowserExtensionChannel::kMaxAddressLength ? text : QString();
}

bool isValid(const BrowserPlayerChannel::Tab &tab)
{
    return tab.window > 0 && tab.index >= 0;
}

QJsonObject tabRequest(const QString &type, const BrowserPlayerChannel::Tab &tab)
{
    return {{QStringLiteral("type"), type},
            {QStringLiteral("window"), tab.window},
            {QStringLiteral("index"), tab.index}};
}

} // namespace

BrowserExtensionChannel::BrowserExtensionChannel(BrowserHostServer &server) : m_server(server) {}

bool BrowserExtensionChannel::isRunning(qint32 processID)
{
    return BrowserHostServer::isAlive(processID);
}

std::vector<qint32> BrowserExtensionChannel::connectedBrowsers()
{
    return m_server.connectedBrowsers();
}

BrowserPlayerChannel::Result<QJsonObject>
BrowserExtensionChannel::ask(qint32 processID, const QJsonObject &message, Seconds timeout)
{
    const auto reply = m_server.request(processID, message, timeout);
    switch (reply.outcome) {
    case Outcome::answered:
        break;
    case Outcome::notConnected:
        return Error::notConnected;
    case Outcome::notRunning:
        return Error::notRunning;
    case Outcome::timedOut:
        return Error::timedOut;
    case Outcome::tooLarge:
        return Error::failed;
    }
    const QJsonValue error = reply.message.value(QStringLiteral("error"));
    if (!error.isUndefined())
        return error == QStringLiteral("noTab") ? Error::noTab : Error::failed;
    return reply.message;
}

BrowserPlayerChannel::Result<std::vector<BrowserPlayerChannel::Window>>
BrowserExtensionChannel::windows(qint32 processID, Seconds timeout)
{
    const auto answer = ask(processID, {{QStringLiteral("type"), QStringLiteral("list")}}, timeout);
    if (const auto *error = std::get_if<Error>(&answer))
        return *error;
    // The extension sends no listing when it could not send it whole.
    const QJsonValue listing = std::get<QJsonObject>(answer).value(QStringLiteral("windows"));
    if (!listing.isArray())
        return Error::failed;
    std::vector<Window> windows;
    for (const QJsonValue &entry : listing.toArray()) {
        if (int(windows.size()) == kMaxWindows)
            break;
        const auto id = windowID(entry[QStringLiteral("id")]);
        const QJsonValue tabs = entry[QStringLiteral("tabs")];
        if (!id || !tabs.isArray() ||
            std::any_of(windows.begin(), windows.end(),
                        [&](const Window &window) { return window.id == *id; }))
            return Error::malformed;
        Window window{*id, {}};
        for (const QJsonValue &address : tabs.toArray()) {
            if (window.addresses.size() == kMaxTabs)
                break;
            window.addresses.append(addressOf(address));
        }
        windows.push_back(std::move(window));
    }
    return windows;
}

BrowserPlayerChannel::Result<QString>
BrowserExtensionChannel::address(qint32 processID, const Tab &tab, Seconds timeout)
{
    if (!isValid(tab))
        return Error::noTab;
    const auto answer = ask(processID, tabRequest(QStringLiteral("tab"), tab), timeout);
    if (const auto *error = std::get_if<Error>(&answer))
        return *error;
    const QJsonValue url = std::get<QJsonObject>(answer).value(QStringLiteral("url"));
    if (!url.isString())
        return Error::malformed;
    return addressOf(url);
}

BrowserPlayerChannel::Result<QJsonObject> BrowserExtensionChannel::run(qint32 processID,
                                                                       const Tab &tab,
                                                                       const QJsonObject &action,
                                                                       Seconds timeout)
{
    if (!isValid(tab))
        return Error::noTab;
    QJsonObject request = tabRequest(QStringLiteral("run"), tab);
    request.insert(QStringLiteral("action"), action);
    const auto answer = ask(processID, request, timeout);
    if (const auto *error = std::get_if<Error>(&answer))
        return *error;
    const QJsonValue result = std::get<QJsonObject>(answer).value(QStringLiteral("result"));
    if (!result.isObject())
        return Error::malformed;
    return result.toObject();
}
