// Time to write a document of 1,000 notes of 2 KB each and to read it back,
// through the notes store on real files. Reports figures; asserts nothing.

#include "notes/NotesStore.h"
#include "support/VirtualTime.h"

#include <QCoreApplication>
#include <QElapsedTimer>
#include <QFileInfo>
#include <QTemporaryDir>

#include <algorithm>
#include <cstdio>
#include <ctime>

namespace {

constexpr int kNotes = 1000;
constexpr int kNoteBytes = 2048;
constexpr int kRounds = 15;

// CPU time of this thread: on a busy shared machine the wall time also
// counts the time spent waiting for a core.
double cpuMilliseconds()
{
    timespec now;
    clock_gettime(CLOCK_THREAD_CPUTIME_ID, &now);
    return double(now.tv_sec) * 1e3 + double(now.tv_nsec) / 1e6;
}

double median(std::vector<double> values)
{
    std::sort(values.begin(), values.end());
    return values[values.size() / 2];
}

} // namespace

int main(int argc, char **argv)
{
    QCoreApplication app(argc, argv);
    QTemporaryDir dir;
    const QString path = dir.path() + "/Velloway/notes.json";
    VirtualTime time;

    NotesStore store(path, &time, &time);
    store.deleteNote(store.notes().first().id); // the first launch's empty note
    for (int i = 0; i < kNotes; ++i) {
        store.addNote();
        // Mixed text with quotes, newlines and non-ASCII letters, as notes have.
        QString content = QStringLiteral("Note %1 \"quoted\"\nline two – ünïcode ✓ ").arg(i);
        while (content.toUtf8().size() < kNoteBytes)
            content += QStringLiteral("words and more words ");
        store.updateContent(content, store.notes().first().id);
    }

    std::vector<double> writes, loads, writeCpu, loadCpu;
    for (int round = 0; round < kRounds; ++round) {
        store.updateContent(QString::number(round), store.notes().last().id);
        QElapsedTimer timer;
        double cpu = cpuMilliseconds();
        timer.start();
        store.flush();
        store.finishWriting();
        writes.push_back(timer.nsecsElapsed() / 1e6);
        writeCpu.push_back(cpuMilliseconds() - cpu);
        if (store.hasSaveError()) {
            std::fprintf(stderr, "write failed\n");
            return 1;
        }

        cpu = cpuMilliseconds();
        timer.restart();
        NotesStore loaded(path, &time, &time);
        loads.push_back(timer.nsecsElapsed() / 1e6);
        loadCpu.push_back(cpuMilliseconds() - cpu);
        if (loaded.notes().size() != kNotes) {
            std::fprintf(stderr, "load failed\n");
            return 1;
        }
    }
    std::printf("notes_save: %d notes x %d bytes, file %.2f MB, %d rounds\n", kNotes, kNoteBytes,
                QFileInfo(path).size() / 1e6, kRounds);
    std::printf("write (encode, write, fsync, rename): median %.2f ms, max %.2f ms, cpu median "
                "%.2f ms (target < 50 ms)\n",
                median(writes), *std::max_element(writes.begin(), writes.end()), median(writeCpu));
    std::printf("load (read, parse, validate): median %.2f ms, max %.2f ms, cpu median %.2f ms "
                "(target < 50 ms)\n",
                median(loads), *std::max_element(loads.begin(), loads.end()), median(loadCpu));
    return 0;
}
