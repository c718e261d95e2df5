#pragma once

// Whether the command line asks for the unattended second pass: " second_proc"
// anywhere in it, in any letter case.
bool IsSecondPassCommandLine(const wchar_t* commandLine);
