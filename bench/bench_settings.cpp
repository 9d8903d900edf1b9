// The full save and the start-up load with the largest rule list: 5000 rules
// with 60-character titles, a third of them holding commas, and a log of 200
// lines, over real files in a temporary folder.
#include "app/tfm_vornel.h"
#include "blocking/alert_sound.h"
#include "blocking/scripted_desktop.h"
#include "common/memo_lines.h"
#include "settings/save_pacer.h"

#include <QApplication>
#include <QCheckBox>
#include <QDir>
#include <QElapsedTimer>
#include <QEventLoop>
#include <QFile>
#include <QPlainTextEdit>
#include <QTemporaryDir>
#include <QTimer>
#include <benchmark/benchmark.h>
#include <chrono>
#include <clocale>

using namespace vornel;

namespace {

struct NoSound : AlertSound {
    void play(const std::string&) override {}
};

std::string title(int i) {
    std::string t = i % 3 == 0 ? "Offre, exceptionnelle, numero " : "Offre exceptionnelle numero ";
    t += std::to_string(i) + " gagnez un voyage aux Caraibes";
    t.resize(60, '!');
    return t;
}

void fill(TfmVornel& w) {
    for (int i = 0; i < CloseRules::MaxRules; ++i)
        w.CloseRules.append(TCond{i % 2 ? "Y" : "E", i % 4 ? "N" : "Y", title(i), 800 + i, 600});
    QStringList log;
    for (int i = 0; i < 200; ++i)
        log << QString("12/07/26 14:30:%1 Le titre contient %2")
                   .arg(i % 60)
                   .arg(QString::fromStdString(title(i)));
    setMemoLines(w.ui.mLog, log);
    // The load must not open the window, so that only the load is timed.
    w.ui.cbAfficher->setChecked(false);
    w.ui.cbMaj->setChecked(false);
}

// The main window's destruction brings the autostart entry in line, so the
// home and configuration folders are temporary too: a benchmark never touches
// the files of the person running it.
struct Folder {
    Folder() {
        for (const char* name : {"VORNEL_CONFIG_DIR", "XDG_CONFIG_HOME", "HOME", "XDG_CONFIG_DIRS"})
            qputenv(name, dir.path().toUtf8());
    }
    QTemporaryDir dir;
    ScriptedDesktop desktop;
    NoSound sound;
};

void BM_SauveListe(benchmark::State& state) {
    Folder f;
    TfmVornel w(f.desktop, f.sound);
    fill(w);
    w.SauveListe();
    for (auto _ : state)
        w.SauveListe();
}

void BM_Initialise(benchmark::State& state) {
    Folder f;
    {
        TfmVornel w(f.desktop, f.sound);
        fill(w);
        w.SauveListe();
    }
    TfmVornel w(f.desktop, f.sound);
    for (auto _ : state)
        w.Initialise();
    if (w.CloseRules.count() != CloseRules::MaxRules || memoLineCount(w.ui.mLog) != 200)
        state.SkipWithError("the load did not give back what was saved");
}

// The same beside a machine's settings file of 100 rules, browser names and
// imposed options, which the load merges and the save keeps out.
bool writeMachineSettings(const QTemporaryDir& dir) {
    std::string text = "[Vornel]\r\nFenetre1=Mozilla Firefox\r\nFenetre2=Chromium\r\n"
                       "[Impose]\r\nDemarre=1\r\nMajJour=30\r\n[Windows]\r\n";
    for (int i = 1; i <= 100; ++i)
        text += std::to_string(i) + "=Y," + title(i) + ",N,1,1\r\n";
    QFile file(dir.filePath("vornel/vornel.ini"));
    return QDir().mkpath(dir.filePath("vornel")) && file.open(QIODevice::WriteOnly) &&
           file.write(text.data(), qint64(text.size())) == qint64(text.size());
}

void BM_InitialiseBesideMachineSettings(benchmark::State& state) {
    Folder f;
    {
        TfmVornel w(f.desktop, f.sound);
        fill(w);
        w.SauveListe();
    }
    if (!writeMachineSettings(f.dir)) return state.SkipWithError("cannot write the machine's file");
    TfmVornel w(f.desktop, f.sound);
    for (auto _ : state)
        w.Initialise();
    if (w.CloseRules.count() != CloseRules::MaxRules + 100)
        state.SkipWithError("the load did not give back the rules of both files");
}

void BM_SauveListeBesideMachineSettings(benchmark::State& state) {
    Folder f;
    if (!writeMachineSettings(f.dir)) return state.SkipWithError("cannot write the machine's file");
    TfmVornel w(f.desktop, f.sound);
    w.Initialise();
    fill(w);
    w.SauveListe();
    for (auto _ : state)
        w.SauveListe();
}

// The load, then the save, over a log of 200 MB of NUL bytes without a line
// break, as a crash can leave it. The file is sparse: what it costs to read
// from the disk is not counted. For the peak memory, run this one alone under
// /usr/bin/time -v (--benchmark_filter=JunkLog).
void BM_InitialiseOverJunkLog(benchmark::State& state) {
    Folder f;
    QFile ini(f.dir.filePath("vornel.ini")), log(f.dir.filePath("vornel.log"));
    if (!ini.open(QIODevice::WriteOnly) || ini.write("[Vornel]\r\nAfficher=0\r\nMaj=0\r\n") < 0) {
        state.SkipWithError("cannot write the settings file");
        return;
    }
    ini.close();
    if (!log.open(QIODevice::WriteOnly) || !log.resize(qint64(200) << 20)) {
        state.SkipWithError("cannot make the log");
        return;
    }
    log.close();
    TfmVornel w(f.desktop, f.sound);
    for (auto _ : state)
        w.Initialise();
    const auto start = std::chrono::steady_clock::now();
    w.SauveListe();
    state.counters["save_ms"] =
        std::chrono::duration<double, std::milli>(std::chrono::steady_clock::now() - start).count();
}

// A storm of 1000 pop-ups, one every 10 ms, each closed by the first scan
// that sees it, with the saves that bring the closings to disk running from
// the event loop as in the program. Counts the saves, per minute of storm.
void BM_SavesDuringAStorm(benchmark::State& state) {
    Folder f;
    TfmVornel w(f.desktop, f.sound);
    w.Timer1->stop();
    w.CloseRules.append(TCond{"Y", "N", "Pub", 0, 0});
    setMemoLines(w.ui.mFen, {QStringLiteral("Mozilla")});
    constexpr int PopUps = 1000;
    for (auto _ : state) {
        const int savesBefore = w.closingsSave().saves();
        int shown = 0;
        QEventLoop loop;
        QTimer storm;
        QElapsedTimer clock;
        clock.start();
        QObject::connect(&storm, &QTimer::timeout, [&] {
            if (shown == PopUps) {
                storm.stop();
                loop.quit();
                return;
            }
            f.desktop.add("Pub " + std::to_string(++shown) + " - Mozilla");
            w.scan().Timer();
        });
        storm.start(10);
        loop.exec();
        const double minutes = double(clock.elapsed()) / 60000.0;
        const int saves = w.closingsSave().saves() - savesBefore;
        state.counters["saves"] = saves;
        state.counters["saves_per_minute"] = saves / minutes;
    }
    if (f.desktop.closeRequests().size() < std::size_t(PopUps))
        state.SkipWithError("the scan did not close every pop-up");
}

} // namespace

BENCHMARK(BM_SavesDuringAStorm)->Unit(benchmark::kSecond)->Iterations(1);
BENCHMARK(BM_SauveListe)->Unit(benchmark::kMillisecond);
BENCHMARK(BM_Initialise)->Unit(benchmark::kMillisecond);
BENCHMARK(BM_InitialiseOverJunkLog)->Unit(benchmark::kMillisecond);
BENCHMARK(BM_InitialiseBesideMachineSettings)->Unit(benchmark::kMillisecond);
BENCHMARK(BM_SauveListeBesideMachineSettings)->Unit(benchmark::kMillisecond);

int main(int argc, char** argv) {
    std::setlocale(LC_TIME, "C");
    if (qEnvironmentVariableIsEmpty("QT_QPA_PLATFORM")) qputenv("QT_QPA_PLATFORM", "offscreen");
    QApplication app(argc, argv);
    benchmark::Initialize(&argc, argv);
    benchmark::RunSpecifiedBenchmarks();
    benchmark::Shutdown();
    return 0;
}
