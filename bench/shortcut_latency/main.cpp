#include "../ScreenProbe.h"

#include <QCursor>
#include <QProcess>

#include <xcb/xcb.h>

#include <algorithm>
#include <cstdio>
#include <cstdlib>
#include <vector>

// Shortcut latency of a running crest beside its hover latency, in the same
// run: from the moment the shortcut is sent (xdotool's start included) until
// the crest is open and holds the keyboard, and from the moment the pointer
// reaches the notch until the crest is open. Usage:
// bench_shortcut_latency [rounds] [shortcut, xdotool notation]
using namespace ScreenProbe;

namespace {

xcb_connection_t *connection()
{
    auto *x11 = qGuiApp->nativeInterface<QNativeInterface::QX11Application>();
    return x11 ? x11->connection() : nullptr;
}

xcb_window_t focus()
{
    auto *reply =
        xcb_get_input_focus_reply(connection(), xcb_get_input_focus(connection()), nullptr);
    const xcb_window_t window = reply ? reply->focus : xcb_window_t(XCB_WINDOW_NONE);
    std::free(reply);
    return window;
}

// Hands the keyboard to the root window, as if another program had it, so
// that each round sees the crest take it.
void focusElsewhere()
{
    const xcb_window_t root = xcb_setup_roots_iterator(xcb_get_setup(connection())).data->root;
    xcb_set_input_focus(connection(), XCB_INPUT_FOCUS_POINTER_ROOT, root, XCB_CURRENT_TIME);
    xcb_flush(connection());
}

double median(std::vector<double> values)
{
    std::sort(values.begin(), values.end());
    return values.empty() ? -1 : values[values.size() / 2];
}

} // namespace

int main(int argc, char **argv)
{
    if (qEnvironmentVariableIsEmpty("QT_QPA_PLATFORM"))
        qputenv("QT_QPA_PLATFORM", "xcb");
    QGuiApplication app(argc, argv);
    const int rounds = argc > 1 ? std::max(1, atoi(argv[1])) : 15;
    const QString shortcut = argc > 2 ? QString::fromLocal8Bit(argv[2]) : "super+alt+n";
    const QRect frame = screen()->geometry();
    const QPoint away(frame.left() + 10, frame.bottom() - 10);
    const QPoint notch(frame.center().x() + 1, frame.top() + 15);
    const QPoint below(frame.center().x() + 1, frame.top() + 36);
    const auto closed = [&] { return !isBlack(below); };

    std::vector<double> hover;
    std::vector<double> keyboard;
    for (int round = 0; round < rounds; ++round) {
        QCursor::setPos(away);
        // Past the hold that waits for the first key after the shortcut.
        if (waitFor(closed, 8000) < 0)
            break;
        QThread::msleep(600 + 37 * round % 50);
        QCursor::setPos(notch);
        if (const double latency = waitFor([&] { return isBlack(below); }, 3000); latency >= 0)
            hover.push_back(latency);

        QCursor::setPos(away);
        if (waitFor(closed, 5000) < 0)
            break;
        focusElsewhere();
        QThread::msleep(600 + 37 * round % 50);
        QElapsedTimer clock;
        clock.start();
        QProcess::startDetached("xdotool", {"key", shortcut});
        const bool opened = waitFor(
                                [&] {
                                    const xcb_window_t holder = focus();
                                    return isBlack(below) &&
                                           holder != XCB_INPUT_FOCUS_POINTER_ROOT &&
                                           holder != XCB_WINDOW_NONE;
                                },
                                3000) >= 0;
        if (opened)
            keyboard.push_back(clock.nsecsElapsed() / 1e6);
        QProcess::execute("xdotool", {"key", "Escape"});
    }
    QCursor::setPos(away);
    if (keyboard.empty() || hover.empty()) {
        std::fprintf(stderr, "the crest never opened (%zu by hover, %zu by shortcut)\n",
                     hover.size(), keyboard.size());
        return 1;
    }
    std::printf("shortcut to open crest with the keyboard over %zu rounds: median %.0f ms "
                "(max %.0f)\nhover latency in the same run over %zu rounds: median %.0f ms "
                "(max %.0f)\n",
                keyboard.size(), median(keyboard),
                *std::max_element(keyboard.begin(), keyboard.end()), hover.size(), median(hover),
                *std::max_element(hover.begin(), hover.end()));
    return 0;
}
