// What Ravelko's window costs while nobody uses it: the share of a core its own event
// loop takes, for an empty window (the baseline) and with many rows selected. Runs
// under a display: xvfb-run -a build/bench/idle_bench
#include "CoreShare.h"
#include "ImageBuilders.h"
#include "RavelkoAccess.h"
#include "TempDir.h"

#include <benchmark/benchmark.h>
#include <wx/app.h>
#include <wx/init.h>

namespace {

constexpr int kIdleMs = 2000;

// A window with `rows` files in the root, all selected (none when `rows` is 0).
CExplorerDlg* OpenWindow(int rows, const testimg::TempDir& dir) {
    auto* dlg = new CExplorerDlg(nullptr);
    dlg->Show();
    if (rows > 0) {
        testimg::MicroDosBuilder b(false, 819200, 1600);
        for (int i = 0; i < rows; ++i)
            b.File(0, "F" + std::to_string(i), 01000, {});
        dlg->OpenDroppedFiles({dir.Write("many.img", b.Image())});
        RavelkoAccess{dlg}.List().SetItemState(-1, wxLIST_STATE_SELECTED, wxLIST_STATE_SELECTED);
    }
    RunEventLoop(300); // settled: painted, toolbar brought up to date
    return dlg;
}

void Idle(benchmark::State& state) {
    const testimg::TempDir dir;
    CExplorerDlg* dlg = OpenWindow(static_cast<int>(state.range(0)), dir);
    double percent = 0;
    for (auto _ : state)
        percent += CorePercent(kIdleMs);
    state.counters["core_percent"] = percent / static_cast<double>(state.iterations());
    state.counters["rows"] = static_cast<double>(RavelkoAccess{dlg}.List().GetSelectedItemCount());
    dlg->Destroy();
    RunEventLoop(50);
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
