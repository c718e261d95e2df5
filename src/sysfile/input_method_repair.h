#pragma once

#include "sysfile/input_method_state.h"

// Rewrites the preloaded layouts from STATE, restarts the text services
// process, re-enables the thread input manager and imports the language bar
// defaults. Every step runs whatever the earlier ones achieved.
void RepairInputMethods(const InputMethodState& state);
