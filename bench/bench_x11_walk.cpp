// One scan tick on a real X display: a private Xvfb + openbox holding 100 or
// 500 client windows, half of them browser windows, none matching the rule,
// and nothing changing. "hinted" is the tick as the program runs it;
// "unhinted" the same tick without the batching hints, so that every call
// first takes in what has arrived. BM_ScriptedTick is the same tick on the
// scripted desktop, for comparison. Reports time, round trips and requests
// per tick.
#include "blocking/alert_sound.h"
#include "blocking/desktops/x11_desktop.h"
#include "blocking/scan_cycle.h"
#include "blocking/scripted_desktop.h"
#include "support/scan_widgets.h"
#include "support/x11_client.h"
#include "support/x11_display.h"

#include <QApplication>
#include <QTemporaryDir>
#include <benchmark/benchmark.h>
#include <cstdio>

using namespace vornel;

namespace {

struct NoSound : AlertSound {
    void play(const std::string&) override {}
};

// The desktop as a caller that knows nothing of the batching hints sees it.
class WithoutHints : public Desktop {
public:
    explicit WithoutHints(Desktop& desktop) : d_(desktop) {}
    WindowHandle GetWindow(WindowHandle from, unsigned command) override {
        return d_.GetWindow(from, command);
    }
    bool IsWindowVisible(WindowHandle w) override { return d_.IsWindowVisible(w); }
    bool IsIconic(WindowHandle w) override { return d_.IsIconic(w); }
    int GetWindowTextA(WindowHandle w, char* buffer, int maxCount) override {
        return d_.GetWindowTextA(w, buffer, maxCount);
    }
    WindowRect GetWindowRect(WindowHandle w) override { return d_.GetWindowRect(w); }
    CloseRequest PostClose(WindowHandle w) override { return d_.PostClose(w); }

private:
    Desktop& d_;
};

std::string display;
test::X11Client* client = nullptr;
int windowCount = 0;

std::string titleOf(int i) {
    return i % 2 ? "Terminal " + std::to_string(i)
                 : "Page " + std::to_string(i) + " - Navigateur démo";
}

// Adds client windows until there are n, and waits until openbox manages them
// and has done with them.
void ensureWindows(int n) {
    xcb_window_t last = 0;
    for (; windowCount < n; ++windowCount) {
        last = client->create(60, 40, true, int16_t(windowCount % 50 * 20),
                              int16_t(windowCount / 50 * 30));
        client->setUtf8Title(last, titleOf(windowCount));
        client->map(last);
    }
    if (last) test::eventually([&] { return client->managed(last); }, std::chrono::seconds(60));
    test::waitUntilQuiet(display);
}

void BM_ScanTick(benchmark::State& state) {
    const int windows = int(state.range(0));
    const bool hinted = state.range(1) != 0;
    ensureWindows(windows);
    auto x11 = X11Desktop::connect(display);
    if (!x11) {
        state.SkipWithError("no connection to the benchmark display");
        return;
    }
    WithoutHints unbatched(*x11);
    Desktop& desktop = hinted ? static_cast<Desktop&>(*x11) : unbatched;

    ScanWidgets w(" - Navigateur démo");
    CloseRules rules;
    rules.append(TCond{"Y", "N", "jamais vu", 0, 0});
    NoSound sound;
    ScanCycle scan(desktop, rules, sound, w.controls(), [] { return WindowHandle(0); });

    scan.Timer();
    if (w.lb1.count() < windows / 2) {
        state.SkipWithError("the walk did not find the benchmark's browser windows");
        return;
    }
    const uint64_t before = x11->roundTrips(), requests = x11->requests();
    for (auto _ : state)
        scan.Timer();
    state.counters["round_trips"] =
        benchmark::Counter(double(x11->roundTrips() - before), benchmark::Counter::kAvgIterations);
    state.counters["requests"] =
        benchmark::Counter(double(x11->requests() - requests), benchmark::Counter::kAvgIterations);
    state.counters["candidates"] = double(w.lb1.count());
    state.SetLabel(hinted ? "hinted" : "unhinted");
}

// The same tick on the scripted desktop with the same titles.
void BM_ScriptedTick(benchmark::State& state) {
    const int windows = int(state.range(0));
    ScriptedDesktop desktop;
    for (int i = 0; i < windows; ++i)
        desktop.add(titleOf(i), {0, 0, 60, 40});
    ScanWidgets w(" - Navigateur démo");
    CloseRules rules;
    rules.append(TCond{"Y", "N", "jamais vu", 0, 0});
    NoSound sound;
    ScanCycle scan(desktop, rules, sound, w.controls(), [] { return WindowHandle(0); });
    for (auto _ : state)
        scan.Timer();
    state.counters["candidates"] = double(w.lb1.count());
}

// The desktop's part of the tick alone: the calls the scan makes, no widgets.
void BM_DesktopCalls(benchmark::State& state) {
    ensureWindows(int(state.range(0)));
    auto x11 = X11Desktop::connect(display);
    char title[5000];
    std::vector<WindowHandle> candidates;
    const uint64_t before = x11->roundTrips();
    for (auto _ : state) {
        candidates.clear();
        x11->beginWalk();
        for (WindowHandle h = x11->GetWindow(0, GW_HWNDFIRST); h;
             h = x11->GetWindow(h, GW_HWNDNEXT)) {
            if (!x11->IsWindowVisible(h)) continue;
            int n = x11->GetWindowTextA(h, title, sizeof title);
            if (std::string_view(title, n).find(" - Navigateur") != std::string_view::npos)
                candidates.push_back(h);
        }
        x11->rereadWindows(candidates);
        for (WindowHandle h : candidates) {
            x11->GetWindowTextA(h, title, sizeof title);
            benchmark::DoNotOptimize(x11->GetWindowRect(h));
        }
    }
    state.counters["round_trips"] =
        benchmark::Counter(double(x11->roundTrips() - before), benchmark::Counter::kAvgIterations);
    state.counters["candidates"] = double(candidates.size());
}

} // namespace

BENCHMARK(BM_ScriptedTick)->Arg(100)->Arg(500)->Unit(benchmark::kMicrosecond);
// In this order: the window count only grows.
BENCHMARK(BM_DesktopCalls)->Arg(100)->Unit(benchmark::kMicrosecond);
BENCHMARK(BM_ScanTick)
    ->ArgNames({"windows", "hinted"})
    ->Args({100, 1})
    ->Args({100, 0})
    ->Unit(benchmark::kMicrosecond);
BENCHMARK(BM_DesktopCalls)->Arg(500)->Unit(benchmark::kMicrosecond);
BENCHMARK(BM_ScanTick)
    ->ArgNames({"windows", "hinted"})
    ->Args({500, 1})
    ->Args({500, 0})
    ->Unit(benchmark::kMicrosecond);

int main(int argc, char** argv) {
    benchmark::Initialize(&argc, argv);
    QTemporaryDir dir;
    test::X11Session session(dir.path().toStdString());
    display = session.display();
    if (display.empty()) {
        std::fprintf(stderr, "bench_x11_walk: could not start Xvfb + openbox\n");
        return 1;
    }
    // The widgets of the tick need no screen; the desktop has its own connection.
    qputenv("QT_QPA_PLATFORM", "offscreen");
    QApplication app(argc, argv);
    test::X11Client windows(display);
    client = &windows;
    benchmark::RunSpecifiedBenchmarks();
    benchmark::Shutdown();
    return 0;
}
