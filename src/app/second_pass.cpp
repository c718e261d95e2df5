#include "app/second_pass.h"

#include <cwctype>
#include <string>

bool IsSecondPassCommandLine(const wchar_t* commandLine) {
    if (!commandLine)
        return false;
    std::wstring lowered(commandLine);
    for (wchar_t& c : lowered)
        c = static_cast<wchar_t>(std::towlower(c));
    return lowered.find(L" second_proc") != std::wstring::npos;
}
