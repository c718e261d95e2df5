#include "app/command_line_modes.h"

#include <cwctype>
#include <string>
#include <vector>

#include "app/second_pass.h"

namespace {

bool IsBlank(wchar_t c) {
    return c == L' ' || c == L'\t';
}

std::wstring Lowered(const wchar_t* text) {
    std::wstring lowered(text);
    for (wchar_t& c : lowered)
        c = static_cast<wchar_t>(std::towlower(c));
    return lowered;
}

// Whether SWITCH_TEXT (lower case) stands in the command line as a word of
// its own, blanks or the line's ends on either side.
bool HasSwitch(const wchar_t* commandLine, const std::wstring& switchText) {
    if (!commandLine)
        return false;
    const std::wstring lowered = Lowered(commandLine);
    for (size_t at = lowered.find(switchText); at != std::wstring::npos;
         at = lowered.find(switchText, at + 1)) {
        const size_t after = at + switchText.size();
        if ((at == 0 || IsBlank(lowered[at - 1])) &&
            (after == lowered.size() || IsBlank(lowered[after])))
            return true;
    }
    return false;
}

// The arguments after the program's name, lower case, each without the
// double quotes around it.
std::vector<std::wstring> ArgumentsOf(const std::wstring& line) {
    size_t at = 0;
    if (!line.empty() && line[0] == L'"') {
        const size_t close = line.find(L'"', 1);
        at = close == std::wstring::npos ? line.size() : close + 1;
    }
    while (at < line.size() && !IsBlank(line[at]))
        ++at;
    std::vector<std::wstring> arguments;
    while (at < line.size()) {
        while (at < line.size() && IsBlank(line[at]))
            ++at;
        std::wstring word;
        bool quoted = false;
        for (; at < line.size() && (quoted || !IsBlank(line[at])); ++at) {
            if (line[at] == L'"')
                quoted = !quoted;
            else
                word += line[at];
        }
        if (!word.empty())
            arguments.push_back(word);
    }
    return arguments;
}

} // namespace

bool IsUndoCommandLine(const wchar_t* commandLine) {
    return HasSwitch(commandLine, L"/undo");
}

bool IsScanOnlyCommandLine(const wchar_t* commandLine) {
    return HasSwitch(commandLine, L"/scanonly");
}

ProgramMode ModeOfCommandLine(const wchar_t* commandLine) {
    if (!commandLine)
        return ProgramMode::Window;
    struct Word {
        const wchar_t* text;
        ProgramMode mode;
    };
    static const Word kWords[] = {
        {L"/repair", ProgramMode::Repair},
        {L"/scanonly", ProgramMode::ScanOnly},
        {L"/undo", ProgramMode::Undo},
        {L"/?", ProgramMode::Help},
        {L"-?", ProgramMode::Help},
        {L"/help", ProgramMode::Help},
        {L"second_proc", ProgramMode::SecondPass},
    };
    const bool secondPass = IsSecondPassCommandLine(commandLine);
    ProgramMode mode = secondPass ? ProgramMode::SecondPass : ProgramMode::Window;
    bool unknownWord = false;
    for (const std::wstring& argument : ArgumentsOf(Lowered(commandLine))) {
        const Word* known = nullptr;
        for (const Word& word : kWords)
            if (argument == word.text)
                known = &word;
        if (!known) {
            unknownWord = true;
            continue;
        }
        if (mode != ProgramMode::Window && mode != known->mode)
            return ProgramMode::NotUnderstood;
        mode = known->mode;
    }
    // The second pass reads nothing else of its line: Windows starts it.
    if (unknownWord && mode != ProgramMode::SecondPass)
        return ProgramMode::NotUnderstood;
    return mode;
}

bool ModeSendsUsageReport(ProgramMode mode) {
    return mode == ProgramMode::Window || mode == ProgramMode::SecondPass ||
           mode == ProgramMode::Repair;
}
