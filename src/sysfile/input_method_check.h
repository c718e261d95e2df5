#pragma once

#include "sysfile/input_method_state.h"

// Checks the text services process, the language bar settings and the list of
// preloaded keyboard layouts, logging each finding. Rebuilds STATE when the
// Preload key opens. True when nothing is wrong.
bool CheckInputMethods(InputMethodState& state);
