#pragma once

#include <windows.h>

#include <string>
#include <vector>

// What the input method check leaves for the repair: the preloaded layouts
// worth keeping, in order, and whether a US keyboard is among them.
struct InputMethodState {
    std::vector<std::wstring> PreloadLayouts;
    LONG usLayoutPresent = 0;
};
