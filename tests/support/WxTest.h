// Helpers of the GUI tests.
#pragma once

#include <functional>

// Runs the event loop (timers, paints, idle handlers) for about `milliseconds`.
void Pump(int milliseconds);

// Runs the event loop until `done` holds (five seconds at most); whether it came.
bool PumpUntil(const std::function<bool()>& done);
