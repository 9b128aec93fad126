// Main-thread CPU per keystroke in the notes editor with 1,000, 5,000 and
// 20,000 saved notes: the store, the notes view and the saves they trigger,
// typed for 30 s of virtual time. The yardstick is the same typing into a bare
// text editor in the same run. Reports figures; asserts nothing.

#include "notes/NotesDocumentFormat.h"
#include "notes/NotesStore.h"
#include "notes/view/NotesView.h"
#include "support/VirtualTime.h"

#include <QApplication>
#include <QFile>
#include <QPlainTextEdit>
#include <QTemporaryDir>

#include <algorithm>
#include <cstdio>
#include <cstdlib>
#include <ctime>

namespace {

constexpr double kSecondsPerKey = 0.1;

double threadCpuMilliseconds()
{
    timespec now;
    clock_gettime(CLOCK_THREAD_CPUTIME_ID, &now);
    return double(now.tv_sec) * 1e3 + double(now.tv_nsec) / 1e6;
}

// Per-key main-thread CPU, median and worst, for typing `keys` keys into `editor`.
std::pair<double, double> type(QPlainTextEdit *editor, VirtualTime &time, NotesStore *store,
                               int keys)
{
    std::vector<double> costs;
    for (int i = 0; i < keys; ++i) {
        const double start = threadCpuMilliseconds();
        editor->insertPlainText(QStringLiteral("x"));
        time.advance(kSecondsPerKey);
        QCoreApplication::processEvents();
        costs.push_back(threadCpuMilliseconds() - start);
    }
    if (store)
        store->flush();
    std::sort(costs.begin(), costs.end());
    return {costs[costs.size() / 2], costs.back()};
}

void writeNotes(const QString &path, int count)
{
    NotesDocumentFormat::Document document;
    const QDateTime date(QDate(2026, 1, 1), QTime(10, 0), Qt::UTC);
    for (int i = 0; i < count; ++i) {
        CrestNote note{QUuid::createUuid(),
                       QStringLiteral("Note %1\nsome words on the second line, ünïcode ✓ and "
                                      "\"quotes\", as notes have them")
                           .arg(i),
                       date, date};
        document.notes.append(note);
    }
    document.selectedNoteID = document.notes.first().id;
    QFile file(path);
    if (!file.open(QIODevice::WriteOnly) || file.write(NotesDocumentFormat::encode(document)) < 0)
        std::fprintf(stderr, "could not write %s\n", qPrintable(path));
}

} // namespace

int main(int argc, char **argv)
{
    if (qEnvironmentVariableIsEmpty("QT_QPA_PLATFORM"))
        qputenv("QT_QPA_PLATFORM", "offscreen");
    QApplication app(argc, argv);
    std::setvbuf(stdout, nullptr, _IOLBF, 0);
    // Fewer keys keep a slow build's run short: `bench_notes_keystroke 20`.
    const int keys = argc > 1 ? std::max(1, std::atoi(argv[1])) : 300;
    VirtualTime time;

    QPlainTextEdit bare;
    bare.show();
    const auto [bareMedian, bareWorst] = type(&bare, time, nullptr, keys);
    std::printf("notes_keystroke: %d keys, one every %.1f s of virtual time\n", keys,
                kSecondsPerKey);
    std::printf("yardstick, bare text editor: median %.3f ms, worst %.3f ms\n", bareMedian,
                bareWorst);

    for (const int count : {1000, 5000, 20000}) {
        QTemporaryDir dir;
        const QString path = dir.filePath(QStringLiteral("notes.json"));
        writeNotes(path, count);
        NotesStore store(path, &time, &time);
        NotesView view(store);
        view.show();
        auto *editor = view.findChild<QPlainTextEdit *>();
        editor->moveCursor(QTextCursor::End);
        const auto [median, worst] = type(editor, time, &store, keys);
        std::printf("%6d notes: median %.3f ms, worst %.3f ms per key (target < 2 ms)\n", count,
                    median, worst);
    }
    return 0;
}
