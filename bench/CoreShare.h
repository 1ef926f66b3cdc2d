// The share of a core a window's process takes while its event loop runs on its own.
#pragma once

#include <wx/evtloop.h>
#include <wx/timer.h>

#include <chrono>
#include <ctime>

inline double ProcessCpuSeconds() {
    timespec now{};
    clock_gettime(CLOCK_PROCESS_CPUTIME_ID, &now);
    return static_cast<double>(now.tv_sec) + static_cast<double>(now.tv_nsec) / 1e9;
}

// The event loop for `ms`, with nobody using the window.
inline void RunEventLoop(int ms) {
    wxEventLoop loop;
    wxTimer stop;
    stop.Bind(wxEVT_TIMER, [&loop](wxTimerEvent&) { loop.Exit(); });
    stop.StartOnce(ms);
    loop.Run();
}

// Percent of a core the process took over `ms` of its event loop.
inline double CorePercent(int ms) {
    const double cpuStart = ProcessCpuSeconds();
    const auto wallStart = std::chrono::steady_clock::now();
    RunEventLoop(ms);
    const double wall =
        std::chrono::duration<double>(std::chrono::steady_clock::now() - wallStart).count();
    return 100 * (ProcessCpuSeconds() - cpuStart) / wall;
}
