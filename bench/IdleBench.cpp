// What Ravelko's window costs while nobody uses it: the share of a core its own event
// loop takes, for an empty window (the baseline) and with many rows selected. Runs
// under a display: xvfb-run -a build/bench/idle_bench
#include "RavelkoAccess.h"
#include "ImageBuilders.h"
#include "TempDir.h"

#include <benchmark/benchmark.h>
#include <wx/app.h>
#include <wx/evtloop.h>
#include <wx/init.h>
#include <wx/timer.h>

#include <chrono>
#include <ctime>

namespace {

constexpr int kIdleMs = 2000;

double ProcessCpuSeconds() {
    timespec now{};
    clock_gettime(CLOCK_PROCESS_CPUTIME_ID, &now);
    return static_cast<double>(now.tv_sec) + static_cast<double>(now.tv_nsec) / 1e9;
}

// The window's own event loop for `ms`, with nothing happening.
void RunIdle(int ms) {
    wxEventLoop loop;
    wxTimer stop;
    stop.Bind(wxEVT_TIMER, [&loop](wxTimerEvent&) { loop.Exit(); });
    stop.StartOnce(ms);
    loop.Run();
}

// A window with `rows` files in the root, all selected (none when `rows` is 0).
CExplorerDlg* OpenWindow(int rows, const testimg::TempDir& dir) {
    auto* dlg = new CExplorerDlg(nullptr);
    dlg->Show();
    if (rows > 0) {
        testimg::MicroDosBuilder b(false, 819200, 1600);
        for (int i = 0; i < rows; ++i)
            b.File(0, "F" + std::to_string(i), 01000, {});
        dlg->OpenDroppedFile(dir.Write("many.img", b.Image()));
        RavelkoAccess{dlg}.List().SetItemState(-1, wxLIST_STATE_SELECTED, wxLIST_STATE_SELECTED);
    }
    RunIdle(300); // settled: painted, toolbar brought up to date
    return dlg;
}

void Idle(benchmark::State& state) {
    const testimg::TempDir dir;
    CExplorerDlg* dlg = OpenWindow(static_cast<int>(state.range(0)), dir);
    double cpu = 0, wall = 0;
    for (auto _ : state) {
        const double cpuStart = ProcessCpuSeconds();
        const auto wallStart = std::chrono::steady_clock::now();
        RunIdle(kIdleMs);
        cpu += ProcessCpuSeconds() - cpuStart;
        wall += std::chrono::duration<double>(std::chrono::steady_clock::now() - wallStart).count();
    }
    state.counters["core_percent"] = 100 * cpu / wall;
    state.counters["rows"] = static_cast<double>(RavelkoAccess{dlg}.List().GetSelectedItemCount());
    dlg->Destroy();
    RunIdle(50);
}

} // namespace

// Arg 0 is the baseline: the empty window.
BENCHMARK(Idle)->Arg(0)->Arg(30000)->Iterations(3)->Unit(benchmark::kMillisecond);

int main(int argc, char** argv) {
    wxApp::SetInstance(new wxApp);
    if (!wxEntryStart(argc, argv))
        return 1;
    benchmark::Initialize(&argc, argv);
    benchmark::RunSpecifiedBenchmarks();
    wxEntryCleanup();
    return 0;
}
