// The start-up cost of finding the first browser name: the default browser
// read from the freedesktop settings, over real files. Once on this machine's
// own folders, once over a desktop-like tree where the default is found only
// in the last list, after a miss in every folder before.
#include "blocking/xdg_default_browser.h"

#include <QDir>
#include <QFile>
#include <QTemporaryDir>
#include <benchmark/benchmark.h>

using namespace vornel;

namespace {

void write(const QString& path, const QByteArray& text) {
    QDir().mkpath(QFileInfo(path).path());
    QFile file(path);
    if (file.open(QIODevice::WriteOnly)) file.write(text);
}

void onThisMachine(benchmark::State& state) {
    for (auto _ : state)
        benchmark::DoNotOptimize(defaultBrowserTitle(XdgFolders::fromEnvironment()));
}
BENCHMARK(onThisMachine);

void foundInTheLastList(benchmark::State& state) {
    QTemporaryDir dir;
    XdgFolders folders{{dir.filePath("config"), dir.filePath("etc")},
                       {dir.filePath("data"), dir.filePath("local"), dir.filePath("share")},
                       {"gnome"}};
    // Lists of a used desktop: many types, the web scheme named only by the
    // distribution, after an entry that is no longer installed.
    QByteArray many = "[Default Applications]\n";
    for (int i = 0; i < 200; ++i)
        many += "application/x-type" + QByteArray::number(i) + "=app" + QByteArray::number(i) +
                ".desktop;\n";
    for (const char* list : {"config/mimeapps.list", "config/gnome-mimeapps.list",
                             "etc/mimeapps.list", "data/applications/mimeapps.list"})
        write(dir.filePath(QString::fromLatin1(list)), many);
    write(dir.filePath("share/applications/mimeapps.list"),
          many + "x-scheme-handler/http=gone.desktop;firefox-esr.desktop;\n");
    write(dir.filePath("share/applications/firefox-esr.desktop"),
          "[Desktop Entry]\nType=Application\nName=Firefox ESR\nExec=firefox-esr %u\n");
    for (auto _ : state)
        benchmark::DoNotOptimize(defaultBrowserTitle(folders));
}
BENCHMARK(foundInTheLastList);

} // namespace

BENCHMARK_MAIN();
