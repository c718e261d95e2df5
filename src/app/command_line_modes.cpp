#include "app/command_line_modes.h"

#include <cwctype>
#include <string>

namespace {

bool IsBlank(wchar_t c) {
    return c == L' ' || c == L'\t';
}

// Whether SWITCH_TEXT (lower case) stands in the command line as a word of
// its own, blanks or the line's ends on either side.
bool HasSwitch(const wchar_t* commandLine, const std::wstring& switchText) {
    if (!commandLine)
        return false;
    std::wstring lowered(commandLine);
    for (wchar_t& c : lowered)
        c = static_cast<wchar_t>(std::towlower(c));
    for (size_t at = lowered.find(switchText); at != std::wstring::npos;
         at = lowered.find(switchText, at + 1)) {
        const size_t after = at + switchText.size();
        if ((at == 0 || IsBlank(lowered[at - 1])) &&
            (after == lowered.size() || IsBlank(lowered[after])))
            return true;
    }
    return false;
}

} // namespace

bool IsUndoCommandLine(const wchar_t* commandLine) {
    return HasSwitch(commandLine, L"/undo");
}

bool IsScanOnlyCommandLine(const wchar_t* commandLine) {
    return HasSwitch(commandLine, L"/scanonly");
}
