#pragma once

#include "core/Clock.h"

#include <QJsonObject>
#include <QStringList>

#include <variant>
#include <vector>

/// What a browser player asks of a browser through the Velloway extension:
/// its windows with their tab addresses, one tab's address, and a run of the
/// extension's bundled page program in a tab, called with an action (a name
/// and its arguments, never code). Each call blocks for at most its
/// time-out; call it from a worker, one worker at a time. What the browser
/// answers is capped and checked before it is returned.
class BrowserPlayerChannel
{
public:
    enum class Error
    {
        notConnected, // no extension of that browser is connected (missing, off or gone)
        notRunning,   // the browser is not running, or quit meanwhile
        timedOut,
        noTab,     // the extension found no such tab
        failed,    // the extension could not do it (the browser refused, for example)
        malformed, // the answer is not what the extension writes
    };

    template <typename T> using Result = std::variant<T, Error>;

    /// A tab: its window's id and its 0-based place in that window.
    struct Tab
    {
        qint32 window = 0;
        qint32 index = 0;
        friend bool operator==(const Tab &, const Tab &) = default;
    };

    struct Window
    {
        qint32 id = 0;
        /// In tab order; a tab the extension may not see reads as empty.
        QStringList addresses;
        friend bool operator==(const Window &, const Window &) = default;
    };

    virtual ~BrowserPlayerChannel() = default;

    /// Whether the browser `processID` runs; there is no permission to ask.
    virtual bool isRunning(qint32 processID) = 0;

    /// The browsers whose extension is connected now, oldest connection first.
    virtual std::vector<qint32> connectedBrowsers() = 0;

    /// The browser's windows in its own order.
    virtual Result<std::vector<Window>> windows(qint32 processID, Seconds timeout) = 0;

    /// The address of `tab`, asked afresh; empty when hidden from the extension.
    virtual Result<QString> address(qint32 processID, const Tab &tab, Seconds timeout) = 0;

    /// Calls the page program in `tab` with `action` and returns the object
    /// it answered.
    virtual Result<QJsonObject> run(qint32 processID, const Tab &tab, const QJsonObject &action,
                                    Seconds timeout) = 0;
};
