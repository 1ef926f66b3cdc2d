// Helpers of the GUI tests.
#pragma once

#include <functional>
#include <string>
#include <vector>

class wxWindow;

// Runs the event loop (timers, paints, idle handlers) for about `milliseconds`.
void Pump(int milliseconds);

// Runs the event loop until `done` holds (five seconds at most); whether it came.
bool PumpUntil(const std::function<bool()>& done);

// What is wrong with the layout of `top` and every window in it, one line each: a shown
// control that leaves its parent's client area, or overlaps a shown sibling (texts cut or
// hidden by the font). Frames and dialogs inside are their own tops.
std::vector<std::string> LayoutFaults(const wxWindow& top);
