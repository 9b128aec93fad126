#include "app/Launcher.h"

#include "app/AppDelegate.h"
#include "app/GraphicalSession.h"
#include "core/SystemClock.h"
#include "core/TimerScheduler.h"
#include "platform/desktop/SingleInstance.h"

#include <QApplication>
#include <QIcon>

#include <cstdio>

int Launcher::run(int argc, char **argv, const std::function<void(AppDelegate &)> &afterLaunch)
{
    // Global pointer queries, window shapes and workspace hints need X11;
    // under Wayland the program runs through XWayland.
    if (qEnvironmentVariableIsEmpty("QT_QPA_PLATFORM"))
        qputenv("QT_QPA_PLATFORM", "xcb");
    if (const auto reason = GraphicalSession::unavailable()) {
        std::fprintf(stderr, "%s\n", qPrintable(*reason));
        return 1;
    }

    QApplication app(argc, argv);
    QApplication::setApplicationName(QStringLiteral("Velloway"));
    QApplication::setOrganizationName(QStringLiteral("Velloway"));
    QApplication::setApplicationVersion(QStringLiteral(VELLOWAY_VERSION));
    QApplication::setDesktopFileName(QStringLiteral("velloway"));
    QApplication::setQuitOnLastWindowClosed(false);
    // Without a desktop session the icon theme is bare hicolor.
    QIcon::setFallbackThemeName(QStringLiteral("Adwaita"));

    SingleInstance instance;
    if (instance.acquire() == SingleInstance::Result::HeldByAnother) {
        instance.askRunningCopyToReopen();
        return 0;
    }

    AppDelegate delegate(SystemClock::shared(), TimerScheduler::shared());
    QObject::connect(&instance, &SingleInstance::reopenRequested, &delegate,
                     &AppDelegate::showPanelAgain);
    QObject::connect(&app, &QCoreApplication::aboutToQuit, &delegate, &AppDelegate::stop);
    delegate.start();
    if (afterLaunch)
        afterLaunch(delegate);
    return QApplication::exec();
}
