// The ports page's refresh with 10,000 loopback TCP sockets, and the
// program's `vornel --ports`, against `ss -tan` over the same sockets in the
// same run.
//
// The benchmark opens its sockets on 127.0.0.1 only: one listener and 5,000
// connections, each accepted at once (10,000 connected ends), all closed
// when it ends. Wall-clock time is compared, since ss does its work in a
// child process.
#include "netstat/conn_list_platform.h"
#include "netstat/ip_connection_list.h"
#include "support/loopback_sockets.h"

#include <algorithm>
#include <benchmark/benchmark.h>
#include <chrono>
#include <cstdio>
#include <iostream>
#include <string>
#include <sys/resource.h>
#include <unistd.h>
#include <vector>

using namespace vornel;

namespace {

constexpr int Connections = 5000; // 10,000 sockets, two ends each
constexpr rlim_t SpareDescriptors = 256;

// The Linux platform, with the agent's queries counted.
class CountingPlatform : public ConnListPlatform {
public:
    explicit CountingPlatform(long& queries) : inner_(makeConnListPlatform()), queries_(queries) {}
    bool startSockets(uint16_t version) override { return inner_->startSockets(version); }
    void cleanupSockets() override { inner_->cleanupSockets(); }
    uint32_t tickCount() override { return inner_->tickCount(); }
    std::unique_ptr<AgentModule> loadAgent(const std::string& name) override {
        struct Counting : AgentModule {
            std::unique_ptr<AgentModule> inner;
            long* queries;
            SnmpExtensionInitProc initEntry() override { return inner->initEntry(); }
            SnmpExtensionQueryProc queryEntry() override {
                return [query = inner->queryEntry(),
                        q = queries](BYTE p, SnmpVarBindList* l, AsnInteger32* s, AsnInteger32* i) {
                    ++*q;
                    return query(p, l, s, i);
                };
            }
        };
        auto module = inner_->loadAgent(name);
        if (!module) return nullptr;
        auto counting = std::make_unique<Counting>();
        counting->inner = std::move(module);
        counting->queries = &queries_;
        return counting;
    }

private:
    std::unique_ptr<ConnListPlatform> inner_;
    long& queries_;
};

struct Timing {
    double seconds = 0;
    long iterations = 0;
    std::vector<double> runs;
    double mean() const { return iterations ? seconds / double(iterations) : 0; }
    double median() const {
        std::vector<double> sorted = runs;
        std::sort(sorted.begin(), sorted.end());
        return sorted.empty() ? 0 : sorted[sorted.size() / 2];
    }
};
Timing refreshTiming, ssTiming, portsTiming;
long lastQueries = 0;
int lastRows = 0;

void BM_Refresh(benchmark::State& state) {
    long queries = 0;
    refreshTiming = {}; // the figures of the last, longest run
    TQuelmarIpConnectionList list(nullptr, std::make_unique<CountingPlatform>(queries));
    for (auto _ : state) {
        queries = 0;
        auto start = std::chrono::steady_clock::now();
        list.Refresh();
        refreshTiming.seconds +=
            std::chrono::duration<double>(std::chrono::steady_clock::now() - start).count();
        ++refreshTiming.iterations;
        benchmark::DoNotOptimize(list.Count());
    }
    lastQueries = queries;
    lastRows = list.Count();
    state.counters["rows"] = double(list.Count());
    state.counters["queries"] = double(queries);
}

// A command run to its end with its output read, as a shell runs it; its
// wall-clock seconds, or a negative number when it failed.
double runCommand(const std::string& command, long& lines) {
    std::vector<char> buffer(1 << 16);
    auto start = std::chrono::steady_clock::now();
    FILE* output = ::popen(command.c_str(), "r");
    if (!output) return -1;
    lines = 0;
    while (std::size_t n = std::fread(buffer.data(), 1, buffer.size(), output))
        for (std::size_t i = 0; i < n; ++i)
            lines += buffer[i] == '\n';
    if (::pclose(output) != 0) return -1;
    return std::chrono::duration<double>(std::chrono::steady_clock::now() - start).count();
}

void record(Timing& timing, double seconds) {
    timing.seconds += seconds;
    timing.runs.push_back(seconds);
    ++timing.iterations;
}

// The program itself, start to end, with settings of its own (none), and
// ss -tan right after it in each iteration, so that both see the same load.
void BM_VornelPortsAndSs(benchmark::State& state) {
    char folder[] = "/tmp/bench-ports-XXXXXX";
    if (!::mkdtemp(folder)) {
        state.SkipWithError("no temporary folder");
        return;
    }
    const std::string ports =
        std::string("VORNEL_CONFIG_DIR=") + folder + " " VORNEL_BINARY " --ports";
    portsTiming = ssTiming = {};
    long portLines = 0, ssLines = 0;
    for (auto _ : state) {
        const double vornel = runCommand(ports, portLines), ss = runCommand("ss -tan", ssLines);
        if (vornel < 0 || ss < 0) {
            state.SkipWithError(vornel < 0 ? "vornel --ports failed" : "ss -tan failed");
            break;
        }
        record(portsTiming, vornel);
        record(ssTiming, ss);
    }
    ::rmdir(folder);
    state.counters["vornel lines"] = double(portLines);
    state.counters["ss lines"] = double(ssLines);
}

BENCHMARK(BM_Refresh)->Unit(benchmark::kMillisecond)->UseRealTime();
// Nine pairs, for a ratio of medians.
BENCHMARK(BM_VornelPortsAndSs)->Unit(benchmark::kMillisecond)->UseRealTime()->Iterations(9);

// Room for every socket, within the hard limit.
void raiseDescriptorLimit() {
    rlimit limit{};
    getrlimit(RLIMIT_NOFILE, &limit);
    const rlim_t wanted = 2 * Connections + SpareDescriptors;
    if (limit.rlim_cur < wanted) {
        limit.rlim_cur =
            limit.rlim_max == RLIM_INFINITY ? wanted : std::min(wanted, limit.rlim_max);
        setrlimit(RLIMIT_NOFILE, &limit);
    }
}

} // namespace

int main(int argc, char** argv) {
    benchmark::Initialize(&argc, argv);
    raiseDescriptorLimit();
    std::vector<test::TestSocket> sockets;
    {
        test::TestSocket listener = test::tcpListener("127.0.0.1", std::nullopt, 4096);
        sockets.reserve(2 * Connections);
        try {
            for (int i = 0; i < Connections; ++i) {
                sockets.push_back(test::tcpConnect("127.0.0.1", listener.localPort()));
                sockets.push_back(test::tcpAccept(listener));
            }
        } catch (const std::exception& e) {
            std::cerr << "stopped opening sockets: " << e.what() << '\n';
        }
        std::cout << "loopback TCP sockets open: " << sockets.size() << " (+1 listener)\n";
        benchmark::RunSpecifiedBenchmarks();
    }
    if (refreshTiming.iterations && ssTiming.iterations)
        std::cout << "rows " << lastRows << ", queries per refresh " << lastQueries
                  << "; mean refresh " << refreshTiming.mean() * 1e3 << " ms, mean ss -tan "
                  << ssTiming.mean() * 1e3
                  << " ms; ss -tan / refresh = " << ssTiming.mean() / refreshTiming.mean() << '\n';
    if (portsTiming.iterations && ssTiming.iterations)
        std::cout << "median of " << portsTiming.iterations << ": vornel --ports "
                  << portsTiming.median() * 1e3 << " ms, ss -tan " << ssTiming.median() * 1e3
                  << " ms; vornel --ports / ss -tan = " << portsTiming.median() / ssTiming.median()
                  << '\n';
    // Reset rather than closed in turn, so that 5,000 TIME_WAIT entries do not
    // stay behind in the kernel's table for the next minute.
    const linger reset{1, 0};
    for (const test::TestSocket& s : sockets)
        setsockopt(s.fd(), SOL_SOCKET, SO_LINGER, &reset, sizeof(reset));
    sockets.clear();
    benchmark::Shutdown();
    return 0;
}
