#pragma once

#include <string>

// Text for the person or the script that started a windowless mode. It goes to
// the standard output when the caller redirected it into a file or a pipe (a
// deployment tool, psexec, "> result.txt"), else to the console of the
// process that started the program (a command prompt). Started without either
// (Explorer, RunOnce, a scheduled task without a console), nothing is written
// and nothing is shown.
void WriteToCaller(const std::wstring& text);

// Whether the user reads Chinese: the language of the user's interface.
bool UserReadsChinese();
