// A full paint of a 1920 x 1080 picture window (compose, convert, draw), next to
// drawing a prepared bitmap of the same size. Runs under a display (xvfb-run).
#include "MainFrame.h"

#include <benchmark/benchmark.h>
#include <unistd.h>
#include <wx/app.h>
#include <wx/dcclient.h>
#include <wx/init.h>

#include <cstring>

// The two calls of GDK that wait for the X server, declared here: GDK's own headers
// are not among the build dependencies.
extern "C" {
struct _GdkDisplay;
_GdkDisplay* gdk_display_get_default();
void gdk_display_sync(_GdkDisplay* display);
}

namespace {

CMainFrame* g_frame = nullptr;

// Waits until the X server has carried out what was drawn.
void Sync() { gdk_display_sync(gdk_display_get_default()); }

// A bitmap drawn again: the toolkit keeps its copy on the display server.
void Baseline_RedrawPreparedBitmap(benchmark::State& state) {
    const wxBitmap prepared(g_frame->m_wndView->GetClientSize(), 24);
    for (auto _ : state) {
        wxClientDC dc(g_frame->m_wndView);
        dc.DrawBitmap(prepared, 0, 0);
        Sync();
    }
}

// A bitmap prepared (untimed) and drawn for the first time, as every new picture is.
void Baseline_DrawNewPreparedBitmap(benchmark::State& state) {
    const wxImage image(g_frame->m_wndView->GetClientSize());
    for (auto _ : state) {
        state.PauseTiming();
        const wxBitmap prepared(image);
        state.ResumeTiming();
        wxClientDC dc(g_frame->m_wndView);
        dc.DrawBitmap(prepared, 0, 0);
        Sync();
    }
}

void FullPaint(benchmark::State& state) {
    g_frame->m_wndView->m_nScale = static_cast<int>(state.range(0));
    for (auto _ : state) {
        wxClientDC dc(g_frame->m_wndView);
        g_frame->m_wndView->RenderRam(dc);
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
    RamMapping mapping;
    uint8_t* ram = CreateRamObject(FormatRamName(base, 0), RAM_MAPPING_SIZE, mapping);
    for (int i = 0; ram && i < 0x10000; ++i)
        ram[i] = static_cast<uint8_t>(i * 131 + (i >> 7));
    g_frame = new CMainFrame(base);
    g_frame->Show();
    g_frame->SetSize(g_frame->GetSize() + wxSize(1920, 1080) - g_frame->m_wndView->GetClientSize());
    for (int i = 0; i < 50; ++i)
        wxTheApp->Yield(true);
    std::printf("picture window: %d x %d\n", g_frame->m_wndView->GetClientSize().x,
                g_frame->m_wndView->GetClientSize().y);
    benchmark::Initialize(&argc, argv);
    benchmark::RunSpecifiedBenchmarks();
    g_frame->Destroy();
    DestroyRamObject(FormatRamName(base, 0), mapping, RAM_MAPPING_SIZE);
    wxEntryCleanup();
    return 0;
}
