#pragma once

// Enables the privilege NAME (e.g. SE_DEBUG_NAME) in the process token.
// Returns whether it is enabled; callers go on without it.
bool EnablePrivilege(const wchar_t* name);
