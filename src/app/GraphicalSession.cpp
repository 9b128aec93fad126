#include "app/GraphicalSession.h"

#include <QByteArray>
#include <QFileInfo>
#include <QtGlobal>

#include <xcb/xcb.h>

namespace GraphicalSession {

namespace {

const QString kNeedsSession = QStringLiteral("Velloway needs a graphical session: ");

bool canOpenX11()
{
    int screen = 0;
    xcb_connection_t *connection = xcb_connect(nullptr, &screen);
    const bool opened = connection && xcb_connection_has_error(connection) == 0;
    if (connection)
        xcb_disconnect(connection);
    return opened;
}

} // namespace

std::optional<QString> unavailable()
{
    const QByteArray platform = qgetenv("QT_QPA_PLATFORM");
    // Platforms that draw nowhere need no display.
    if (platform.startsWith("offscreen") || platform.startsWith("minimal") ||
        platform.startsWith("vnc"))
        return std::nullopt;
    if (platform.startsWith("wayland")) {
        const QString name = qEnvironmentVariable("WAYLAND_DISPLAY", QStringLiteral("wayland-0"));
        const QString socket =
            name.startsWith(u'/') ? name : qEnvironmentVariable("XDG_RUNTIME_DIR") + u'/' + name;
        if (QFileInfo(socket).exists())
            return std::nullopt;
        return kNeedsSession + QStringLiteral("no Wayland display was found at ") + socket +
               QStringLiteral(".");
    }
    if (canOpenX11())
        return std::nullopt;
    const QString display = qEnvironmentVariable("DISPLAY");
    return kNeedsSession + (display.isEmpty()
                                ? QStringLiteral("no display is set (DISPLAY is empty).")
                                : QStringLiteral("the display ") + display +
                                      QStringLiteral(" could not be opened."));
}

} // namespace GraphicalSession
