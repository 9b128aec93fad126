#pragma once

#include "platform/browser/BrowserFrameReader.h"

#include <QString>

/// The native messaging host: started by a browser for the Velloway
/// extension, it relays messages between the browser (standard input and
/// output) and the running program (a local socket). While the program is
/// not running it stays and tries again every half second, so the program is
/// reached soon after it starts; it ends when the browser closes its standard
/// input.
class BrowserHostRelay
{
public:
    /// Largest message accepted from the browser; a longer one breaks the
    /// stream and ends the host.
    static constexpr qsizetype kMaxBrowserMessageBytes = 1'048'576;
    /// Largest message passed on in either direction.
    static constexpr qsizetype kMaxRelayedBytes = 65'536;

    /// "chrome", "chromium", "brave", "edge" or "firefox" for a browser
    /// executable's path, else empty.
    static QString browserOf(const QString &executablePath);

    /// Takes over standard output (what else prints goes to standard error)
    /// and relays until the browser leaves. The exit status.
    int run();

private:
    bool connectToProgram(const QString &browser);
    void dropProgram();
    bool fromBrowser();
    void fromProgram();

    int m_toBrowser = -1;
    int m_program = -1;
    BrowserFrameReader m_browserFrames{kMaxBrowserMessageBytes};
    BrowserFrameReader m_programFrames{kMaxRelayedBytes};
};
