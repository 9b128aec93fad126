#include "platform/browser/BrowserScriptTransport.h"

#include "scripting/ScriptTerms.h"

#include <QJsonArray>
#include <QJsonDocument>

using namespace ScriptTerms;
using Step = ScriptReference::Step;

namespace {

ScriptResult value(ScriptDescriptor descriptor)
{
    ScriptResult result;
    result.reply.setParameter(kDirectObject, std::move(descriptor));
    return result;
}

// The extension's own failures: a tab that is gone, or anything else.
ScriptResult failure(const QJsonObject &reply)
{
    return ScriptResult::failure(reply.value(QStringLiteral("error")) == QStringLiteral("noTab")
                                     ? ScriptError::kNoSuchObject
                                     : ScriptError::kEventFailed);
}

std::optional<qint32> positiveInt(const QJsonValue &value)
{
    const double number = value.toDouble(-1);
    if (!value.isDouble() || number < 1 || number > 2'147'483'647 || number != qint64(number))
        return std::nullopt;
    return qint32(number);
}

} // namespace

BrowserScriptTransport::BrowserScriptTransport(BrowserHostServer &server, QString program)
    : m_server(server), m_program(std::move(program))
{}

qint32 BrowserScriptTransport::determinePermission(qint32 processID, ScriptCode, ScriptCode, bool)
{
    // A new request: the listing the previous one read is stale.
    m_listing.reset();
    return BrowserHostServer::isAlive(processID) ? ScriptError::kNone
                                                 : ScriptError::kProcessNotFound;
}

std::optional<BrowserScriptTransport::TabAddress>
BrowserScriptTransport::tabOf(const std::vector<Step> &steps)
{
    if (steps.size() != 2 || steps[0].kind != Step::Kind::element ||
        steps[0].code != kWindowClass || steps[0].index <= 0 ||
        steps[1].kind != Step::Kind::element || steps[1].code != kChromiumTabClass ||
        steps[1].index < 0)
        return std::nullopt;
    return TabAddress{steps[0].index, steps[1].index};
}

ScriptResult BrowserScriptTransport::send(const ScriptEvent &event, qint32 processID,
                                          Seconds timeout)
{
    if (event.eventClass() == kChromiumSuite && event.eventID() == kChromiumExecute)
        return run(event, processID, timeout);
    if (event.eventClass() != kCoreSuite || event.eventID() != kGetData)
        return ScriptResult::failure(ScriptError::kEventNotHandled);
    const auto target = event.parameter(kDirectObject);
    auto steps = target ? ScriptReference::steps(*target) : std::nullopt;
    if (!steps)
        return ScriptResult::failure(ScriptError::kNoSuchObject);
    if (steps->size() == 1 && (*steps)[0].kind == Step::Kind::element &&
        (*steps)[0].code == kWindowClass && (*steps)[0].index == 0)
        return listWindows(processID, timeout);
    if (steps->size() != 3 || steps->back().kind != Step::Kind::property ||
        steps->back().code != kChromiumTabAddress)
        return ScriptResult::failure(ScriptError::kEventNotHandled);
    steps->pop_back();
    const auto tab = tabOf(*steps);
    if (!tab)
        return ScriptResult::failure(ScriptError::kNoSuchObject);
    return tab->index == 0 ? tabAddresses(tab->window, processID, timeout)
                           : tabAddress(*tab, processID, timeout);
}

ScriptResult BrowserScriptTransport::listWindows(qint32 processID, Seconds timeout)
{
    m_listing.reset();
    const auto reply =
        m_server.request(processID, {{QStringLiteral("type"), QStringLiteral("list")}}, timeout);
    if (reply.error != ScriptError::kNone)
        return ScriptResult::failure(reply.error);
    const QJsonValue windows = reply.message.value(QStringLiteral("windows"));
    if (!windows.isArray())
        return failure(reply.message);
    std::map<qint32, QStringList> listing;
    std::vector<ScriptDescriptor> references;
    for (const QJsonValue &window : windows.toArray()) {
        const auto id = positiveInt(window[QStringLiteral("id")]);
        const QJsonValue tabs = window[QStringLiteral("tabs")];
        if (!id || !tabs.isArray() || listing.count(*id))
            return {}; // not a listing: no value
        QStringList addresses;
        for (const QJsonValue &address : tabs.toArray()) {
            if (addresses.size() == kMaxTabs)
                break;
            addresses.append(address.toString()); // a hidden address reads as empty
        }
        listing.emplace(*id, addresses);
        references.push_back(ScriptReference::element(kWindowClass, *id));
        if (int(references.size()) == kMaxWindows)
            break;
    }
    m_listing = std::move(listing);
    return value(ScriptDescriptor::list(std::move(references)));
}

ScriptResult BrowserScriptTransport::tabAddresses(qint32 window, qint32 processID, Seconds timeout)
{
    if (!m_listing) {
        if (const ScriptResult listed = listWindows(processID, timeout);
            listed.error != ScriptError::kNone || !m_listing)
            return listed.error != ScriptError::kNone ? listed : ScriptResult{};
    }
    const auto found = m_listing->find(window);
    if (found == m_listing->end())
        return ScriptResult::failure(ScriptError::kNoSuchObject);
    std::vector<ScriptDescriptor> addresses;
    for (const QString &address : found->second)
        addresses.push_back(ScriptDescriptor::text(address));
    return value(ScriptDescriptor::list(std::move(addresses)));
}

ScriptResult BrowserScriptTransport::tabAddress(const TabAddress &tab, qint32 processID,
                                                Seconds timeout)
{
    const auto reply = m_server.request(processID,
                                        {{QStringLiteral("type"), QStringLiteral("tab")},
                                         {QStringLiteral("window"), tab.window},
                                         {QStringLiteral("index"), tab.index - 1}},
                                        timeout);
    if (reply.error != ScriptError::kNone)
        return ScriptResult::failure(reply.error);
    const QJsonValue address = reply.message.value(QStringLiteral("url"));
    if (address.isUndefined())
        return failure(reply.message);
    return value(ScriptDescriptor::text(address.toString()));
}

ScriptResult BrowserScriptTransport::run(const ScriptEvent &event, qint32 processID,
                                         Seconds timeout)
{
    const auto target = event.parameter(kDirectObject);
    const auto steps = target ? ScriptReference::steps(*target) : std::nullopt;
    const auto tab = steps ? tabOf(*steps) : std::nullopt;
    if (!tab || tab->index == 0)
        return ScriptResult::failure(ScriptError::kNoSuchObject);

    // Only the bundled program runs; what varies is the action it is called with.
    const QString script = event.parameter(kChromiumScriptText)
                               .value_or(ScriptDescriptor())
                               .stringValue()
                               .value_or(QString());
    const QString opening = m_program + QStringLiteral(")(");
    if (!script.startsWith(opening) || !script.endsWith(u')'))
        return ScriptResult::failure(ScriptError::kEventNotHandled);
    const QJsonDocument action = QJsonDocument::fromJson(
        QStringView(script).sliced(opening.size(), script.size() - opening.size() - 1).toUtf8());
    if (!action.isObject())
        return ScriptResult::failure(ScriptError::kEventNotHandled);

    const auto reply = m_server.request(processID,
                                        {{QStringLiteral("type"), QStringLiteral("run")},
                                         {QStringLiteral("window"), tab->window},
                                         {QStringLiteral("index"), tab->index - 1},
                                         {QStringLiteral("action"), action.object()}},
                                        timeout);
    if (reply.error != ScriptError::kNone)
        return ScriptResult::failure(reply.error);
    if (reply.message.contains(QStringLiteral("error")))
        return failure(reply.message);
    const QJsonValue result = reply.message.value(QStringLiteral("result"));
    if (!result.isString())
        return {}; // no result text
    return value(ScriptDescriptor::text(result.toString()));
}
