// A full paint of a 1920 x 1080 picture window (compose, convert, draw), next to
// drawing a prepared bitmap of the same size. Runs under a display (xvfb-run).
#include "TomsivarAccess.h"

#include <benchmark/benchmark.h>
#include <unistd.h>
#include <wx/app.h>
#include <wx/dcclient.h>
#include <wx/init.h>

#include <csignal>
#include <cstring>
#include <sys/mman.h>

// The two calls of GDK that wait for the X server, declared here: GDK's own headers
// are not among the build dependencies.
extern "C" {
struct _GdkDisplay;
_GdkDisplay* gdk_display_get_default();
void gdk_display_sync(_GdkDisplay* display);
}

namespace {

CMainFrame* g_frame = nullptr;

CRamView& View() {
    return TomsivarAccess{g_frame}.View();
}

// The object's path for shm_unlink, ready before a signal can come.
char g_objectPath[64];

// Killed (Ctrl+C, SIGTERM): the object goes too, as zelmarin-sim's does.
void RemoveObjectAndExit(int signal) {
    shm_unlink(g_objectPath);
    _exit(128 + signal);
}

// Pumps events until the window manager has shown the picture window with some size.
bool WaitForPictureWindow() {
    for (int i = 0; i < 500; ++i) {
        wxTheApp->Yield(true);
        if (g_frame->IsShownOnScreen() && View().GetClientSize().x > 0 &&
            View().GetClientSize().y > 0 && i >= 50)
            return true;
        usleep(10000);
    }
    return false;
}

// Waits until the X server has carried out what was drawn.
void Sync() {
    gdk_display_sync(gdk_display_get_default());
}

// A bitmap drawn again: the toolkit keeps its copy on the display server.
void Baseline_RedrawPreparedBitmap(benchmark::State& state) {
    const wxBitmap prepared(View().GetClientSize(), 24);
    for (auto _ : state) {
        wxClientDC dc(&View());
        dc.DrawBitmap(prepared, 0, 0);
        Sync();
    }
}

// A bitmap prepared (untimed) and drawn for the first time, as every new picture is.
void Baseline_DrawNewPreparedBitmap(benchmark::State& state) {
    const wxImage image(View().GetClientSize());
    for (auto _ : state) {
        state.PauseTiming();
        const wxBitmap prepared(image);
        state.ResumeTiming();
        wxClientDC dc(&View());
        dc.DrawBitmap(prepared, 0, 0);
        Sync();
    }
}

void FullPaint(benchmark::State& state) {
    TomsivarAccess{g_frame}.SetScale(static_cast<int>(state.range(0)));
    for (auto _ : state) {
        wxClientDC dc(&View());
        View().RenderRam(dc);
        Sync();
    }
}

} // namespace

BENCHMARK(Baseline_RedrawPreparedBitmap)->Unit(benchmark::kMillisecond);
BENCHMARK(Baseline_DrawNewPreparedBitmap)->Unit(benchmark::kMillisecond);
BENCHMARK(FullPaint)->Arg(1)->Arg(2)->Arg(32)->Unit(benchmark::kMillisecond);

int main(int argc, char** argv) {
    wxApp::SetInstance(new wxApp);
    if (!wxEntryStart(argc, argv))
        return 1;
    const std::string base = "BKBENCH_" + std::to_string(getpid()) + "_";
    std::snprintf(g_objectPath, sizeof g_objectPath, "/%s", FormatRamName(base, 0).c_str());
    std::signal(SIGINT, RemoveObjectAndExit);
    std::signal(SIGTERM, RemoveObjectAndExit);
    RamMapping mapping;
    uint8_t* ram = CreateRamObject(FormatRamName(base, 0), RAM_MAPPING_SIZE, mapping);
    for (int i = 0; ram && i < 0x10000; ++i)
        ram[i] = static_cast<uint8_t>(i * 131 + (i >> 7));
    g_frame = new CMainFrame(base);
    g_frame->Show();
    g_frame->SetSize(g_frame->GetSize() + wxSize(1920, 1080) - View().GetClientSize());
    // A window manager may keep the window smaller than asked (a smaller screen), or
    // unsized for a while: the benchmark takes what it gets, but never a 0 x 0 window.
    const bool shown = WaitForPictureWindow();
    std::printf("picture window: %d x %d\n", View().GetClientSize().x, View().GetClientSize().y);
    if (!shown) {
        std::fprintf(stderr, "paint_bench: the picture window was never shown\n");
        RemoveObjectAndExit(0);
    }
    benchmark::Initialize(&argc, argv);
    benchmark::RunSpecifiedBenchmarks();
    g_frame->Destroy();
    DestroyRamObject(FormatRamName(base, 0), mapping, RAM_MAPPING_SIZE);
    wxEntryCleanup();
    return 0;
}
