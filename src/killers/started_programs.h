#pragma once

#include <functional>

// Calls VISIT with the full path of every program the user starts from the
// places the DLL-infecting trojan's carriers are started from, in this order:
// the machine's and the user's Run values (resolved as command lines), then
// the shortcuts in Quick Launch, on the all-users desktop and on the user's
// desktop. COM must be initialised on the calling thread.
void ForEachStartedProgram(const std::function<void(const wchar_t* program)>& visit);

// The Quick Launch folder, formatted once per process; empty when the
// application-data folder is unknown.
const wchar_t* QuickLaunchDirectory();
