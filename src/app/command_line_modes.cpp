#include "app/command_line_modes.h"

#include <cwctype>
#include <string>

namespace {

bool IsBlank(wchar_t c) {
    return c == L' ' || c == L'\t';
}

// Whether SWITCH_TEXT (lower case) stands in the command line as a word of
// its own, blanks or the line's ends on either side.
// Where the word after it begins, or npos when SWITCH_TEXT is not there.
size_t SwitchEnd(const wchar_t* commandLine, const std::wstring& switchText) {
    if (!commandLine)
        return std::wstring::npos;
    std::wstring lowered(commandLine);
    for (wchar_t& c : lowered)
        c = static_cast<wchar_t>(std::towlower(c));
    for (size_t at = lowered.find(switchText); at != std::wstring::npos;
         at = lowered.find(switchText, at + 1)) {
        const size_t after = at + switchText.size();
        if ((at == 0 || IsBlank(lowered[at - 1])) &&
            (after == lowered.size() || IsBlank(lowered[after])))
            return after;
    }
    return std::wstring::npos;
}

bool HasSwitch(const wchar_t* commandLine, const std::wstring& switchText) {
    return SwitchEnd(commandLine, switchText) != std::wstring::npos;
}

} // namespace

bool IsUndoCommandLine(const wchar_t* commandLine) {
    return HasSwitch(commandLine, L"/undo");
}

std::wstring UndoJournalArgument(const wchar_t* commandLine) {
    const size_t end = SwitchEnd(commandLine, L"/undo");
    if (end == std::wstring::npos)
        return {};
    const std::wstring line(commandLine);
    size_t from = end;
    while (from < line.size() && IsBlank(line[from]))
        ++from;
    size_t to = from;
    while (to < line.size() && !IsBlank(line[to]))
        ++to;
    const std::wstring word = line.substr(from, to - from);
    return word.empty() || word[0] == L'/' ? std::wstring() : word;
}

bool IsScanOnlyCommandLine(const wchar_t* commandLine) {
    return HasSwitch(commandLine, L"/scanonly");
}
