// Resident memory and times of the main window before and after the update
// page is first requested, and once it has been left. One run measures one start: the first request
// can only happen once per process. bench/measure_update_page.sh repeats it.
//
//   measure_update_page [--eager]
//
// --eager makes the browser while the window is made, as if it were not left
// for the first request, to show what leaving it saves.
#include "load_recorder.h"
#include "update_page_fixture.h"

#include <QApplication>
#include <QDir>
#include <QElapsedTimer>
#include <QFile>
#include <cstdio>
#include <cstring>
#include <unistd.h>

using namespace vornel::test;

namespace {

// One figure of a process's status file (VmRSS: all it holds in memory;
// RssAnon: the part no file backs, which the kernel cannot drop and reread).
long kilobytesOf(const QString& statusFile, const QByteArray& field = "VmRSS:") {
    QFile status(statusFile);
    if (!status.open(QIODevice::ReadOnly)) return 0;
    for (const QByteArray& line : status.readAll().split('\n'))
        if (line.startsWith(field))
            return line.mid(field.size()).trimmed().split(' ').front().toLong();
    return 0;
}

// The resident memory of the web engine's helper processes, which the
// program starts and which live only as long as it does.
long descendantsKilobytes(pid_t parent) {
    long total = 0;
    for (const QString& entry : QDir(QStringLiteral("/proc")).entryList(QDir::Dirs)) {
        bool isPid = false;
        const pid_t pid = entry.toInt(&isPid);
        if (!isPid) continue;
        QFile stat(QStringLiteral("/proc/%1/stat").arg(pid));
        if (!stat.open(QIODevice::ReadOnly)) continue;
        const QByteArray text = stat.readAll();
        const QList<QByteArray> fields = text.mid(text.lastIndexOf(')') + 2).split(' ');
        if (fields.size() > 1 && fields[1].toInt() == parent)
            total +=
                kilobytesOf(QStringLiteral("/proc/%1/status").arg(pid)) + descendantsKilobytes(pid);
    }
    return total;
}

void idle(int milliseconds) {
    waitFor([] { return false; }, milliseconds);
}

// A negative time is a moment without one.
void report(const char* moment, double milliseconds) {
    const QByteArray time =
        milliseconds < 0 ? QByteArray("       -   ")
                         : QByteArray::number(milliseconds, 'f', 1).rightJustified(8) + " ms";
    const QString self = QStringLiteral("/proc/self/status");
    std::printf("%-34s %s  rss %7ld kB (anonymous %7ld kB)  helpers %7ld kB\n", moment,
                time.constData(), kilobytesOf(self), kilobytesOf(self, "RssAnon:"),
                descendantsKilobytes(getpid()));
}

} // namespace

int main(int argc, char** argv) {
    QElapsedTimer clock;
    clock.start();
    const bool eager = argc > 1 && std::strcmp(argv[1], "--eager") == 0;
    QApplication app(argc, argv);

    PageServer server;
    OnUpdatePage page(server.hostAndPort());
    TfmVornel& fm = *page.window;
    if (eager) fm.wb = fm.makePageBrowser(fm.ui.wbArea);
    QApplication::processEvents();
    report(eager ? "window shown, browser made" : "window shown", clock.nsecsElapsed() / 1e6);
    idle(2000);
    report("idle 2 s later", -1);

    clock.restart();
    fm.ui.sbMaj->click();
    const double clickMs = clock.nsecsElapsed() / 1e6;
    LoadRecorder loads(page.browser());
    report("first request (click returns)", clickMs);
    if (!waitFor([&] { return !loads.results.isEmpty(); }) || !loads.results.front()) {
        std::fprintf(stderr, "the page did not load\n");
        return 1;
    }
    report("first page loaded", clock.nsecsElapsed() / 1e6);
    idle(2000);
    report("idle 2 s later", -1);

    clock.restart();
    fm.ui.sbMaj->click();
    loads.results.clear();
    waitFor([&] { return !loads.results.isEmpty(); });
    report("second page loaded", clock.nsecsElapsed() / 1e6);

    // The page left: the browser goes once its time is up (here at once).
    fm.browserKeptFor = std::chrono::milliseconds(0);
    fm.BtnClick(vornel::Page::Welcome);
    waitFor([&] { return page.browser() == nullptr; });
    idle(2000);
    report("page left, browser gone 2 s", -1);
    return 0;
}
