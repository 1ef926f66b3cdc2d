// Helpers of the GUI tests.
#pragma once

// Runs the event loop (timers, paints, idle handlers) for about `milliseconds`.
void Pump(int milliseconds);
