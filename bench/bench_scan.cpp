// One scan tick over a scripted desktop: 200 top-level windows, 100 of them
// browser windows, against 5000 rules that never match.
#include "blocking/alert_sound.h"
#include "blocking/scan_cycle.h"
#include "blocking/scripted_desktop.h"
#include "support/scan_widgets.h"

#include <QApplication>
#include <benchmark/benchmark.h>

using namespace vornel;

namespace {

struct NoSound : AlertSound {
    void play(const std::string&) override {}
};

// Rules shaped like the ones made from real pop-ups: a title of about 60
// characters and an exact size, plus some of every other kind.
void fillRules(CloseRules& rules) {
    for (int i = 0; i < CloseRules::MaxRules; ++i) {
        std::string title = "Offre exceptionnelle numero " + std::to_string(i) +
                            " gagnez un voyage aux Caraibes maintenant";
        switch (i % 5) {
        case 0:
            rules.append(TCond{"Y", "Y", title, 1000 + i, 700});
            break;
        case 1:
            rules.append(TCond{"E", "N", title, 0, 0});
            break;
        case 2:
            rules.append(TCond{"Y", "E", title, 800, 600});
            break;
        case 3:
            rules.append(TCond{"N", "Y", "", 3000 + i, 3000});
            break;
        default:
            rules.append(TCond{"Y", "N", title, 0, 0});
            break;
        }
    }
}

void fillDesktop(ScriptedDesktop& desktop) {
    for (int i = 0; i < 200; ++i) {
        std::string title = "Document " + std::to_string(i) + " - quelques mots de plus";
        if (i % 2 == 0) title += " - Mozilla";
        desktop.add(title, {0, 0, 640 + i, 480});
    }
}

void runTicks(benchmark::State& state, bool indexed) {
    ScanWidgets w(" - Microsoft Internet\n - Netscape\n - Mozilla");
    ScriptedDesktop desktop;
    fillDesktop(desktop);
    CloseRules rules;
    fillRules(rules);
    NoSound sound;
    ScanCycle scan(desktop, rules, sound, w.controls(), [] { return WindowHandle(1); });
    if (indexed) {
        for (auto _ : state)
            scan.Timer();
    } else {
        // The same tests without the index: every rule in order, both texts
        // lower-cased afresh for each test.
        for (auto _ : state)
            for (const auto& w : desktop.windows())
                if (w.handle % 2 == 0)
                    benchmark::DoNotOptimize(
                        rules.firstMatchInOrder(w.title, w.rect.width(), w.rect.height()));
    }
    if (indexed && (w.lb1.count() != 100 || w.lTotal.text() != "0"))
        state.SkipWithError("unexpected scan result");
    state.counters["candidates"] = w.lb1.count();
}

void BM_ScanTick(benchmark::State& state) {
    runTicks(state, true);
}
void BM_RulesInOrderOnly(benchmark::State& state) {
    runTicks(state, false);
}

} // namespace

BENCHMARK(BM_ScanTick)->Unit(benchmark::kMicrosecond);
BENCHMARK(BM_RulesInOrderOnly)->Unit(benchmark::kMicrosecond);

int main(int argc, char** argv) {
    qputenv("QT_QPA_PLATFORM", "offscreen");
    QApplication app(argc, argv);
    benchmark::Initialize(&argc, argv);
    benchmark::RunSpecifiedBenchmarks();
    benchmark::Shutdown();
    return 0;
}
