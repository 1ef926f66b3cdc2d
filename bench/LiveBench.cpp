// What Tomsivar's window costs with Live Update on at 1920 x 1080: the share of a core the
// whole process takes (the watcher, the repaints) while the memory stays the same (the
// baseline) and while a program animates the screen area ten times a second, as
// `zelmarin-sim --animate` does. Runs under a display: xvfb-run -a -s "-screen 0
// 2560x1600x24" build/bench/live_bench
#include "CoreShare.h"
#include "TomsivarAccess.h"

#include <benchmark/benchmark.h>
#include <wx/app.h>
#include <wx/init.h>

#include <atomic>
#include <chrono>
#include <cstring>
#include <thread>
#include <unistd.h>

namespace {

constexpr int kRunMs = 3000;
CMainFrame* g_frame = nullptr;
uint8_t* g_ram = nullptr;

// Rewrites the screen area (16 KB from 0o40000) every 100 ms until told to stop.
class Animation {
public:
    explicit Animation(bool on) {
        if (on)
            m_thread = std::thread([this] {
                for (uint8_t frame = 0; !m_stop; ++frame) {
                    std::memset(g_ram + 040000, frame, 040000);
                    std::this_thread::sleep_for(std::chrono::milliseconds(100));
                }
            });
    }
    ~Animation() {
        m_stop = true;
        if (m_thread.joinable())
            m_thread.join();
    }

private:
    std::atomic<bool> m_stop{false};
    std::thread m_thread;
};

void LiveUpdate(benchmark::State& state) {
    const Animation animation(state.range(0) != 0);
    RunEventLoop(300);
    double percent = 0;
    for (auto _ : state)
        percent += CorePercent(kRunMs);
    state.counters["core_percent"] = percent / static_cast<double>(state.iterations());
}

} // namespace

// Arg 0 is the baseline: nothing changes.
BENCHMARK(LiveUpdate)->Arg(0)->Arg(1)->Iterations(2)->Unit(benchmark::kMillisecond);

int main(int argc, char** argv) {
    wxApp::SetInstance(new wxApp);
    if (!wxEntryStart(argc, argv))
        return 1;
    const std::string base = "BKLIVE_" + std::to_string(getpid()) + "_";
    RamMapping mapping;
    g_ram = CreateRamObject(FormatRamName(base, 0), RAM_MAPPING_SIZE, mapping);
    if (!g_ram)
        return 1;
    g_frame = new CMainFrame(base);
    g_frame->Show();
    const CRamView& view = TomsivarAccess{g_frame}.View();
    g_frame->SetSize(g_frame->GetSize() + wxSize(1920, 1080) - view.GetClientSize());
    RunEventLoop(500);
    std::printf("picture window: %d x %d\n", view.GetClientSize().x, view.GetClientSize().y);
    benchmark::Initialize(&argc, argv);
    benchmark::RunSpecifiedBenchmarks();
    g_frame->Destroy();
    RunEventLoop(50);
    DestroyRamObject(FormatRamName(base, 0), mapping, RAM_MAPPING_SIZE);
    wxEntryCleanup();
    return 0;
}
