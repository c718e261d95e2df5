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
// Where the word after it begins, or npos when SWITCH_TEXT is not there.
size_t SwitchEnd(const wchar_t* commandLine, const std::wstring& switchText) {
    if (!commandLine)
        return std::wstring::npos;
    const std::wstring lowered = Lowered(commandLine);
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
    const std::vector<std::wstring> arguments = ArgumentsOf(Lowered(commandLine));
    for (size_t at = 0; at < arguments.size(); ++at) {
        const Word* known = nullptr;
        for (const Word& word : kWords)
            if (arguments[at] == word.text)
                known = &word;
        if (!known) {
            unknownWord = true;
            continue;
        }
        if (mode != ProgramMode::Window && mode != known->mode)
            return ProgramMode::NotUnderstood;
        mode = known->mode;
        // "/undo" may name the journal to undo in the word after it.
        if (mode == ProgramMode::Undo && at + 1 < arguments.size() && arguments[at + 1][0] != L'/')
            ++at;
    }
    // The second pass reads nothing else of its line: Windows starts it.
    if (unknownWord && mode != ProgramMode::SecondPass)
        return ProgramMode::NotUnderstood;
    return mode;
}

const char* NameOfMode(ProgramMode mode) {
    switch (mode) {
    case ProgramMode::SecondPass:
        return "second_proc";
    case ProgramMode::Repair:
        return "/repair";
    case ProgramMode::ScanOnly:
        return "/scanonly";
    case ProgramMode::Undo:
        return "/undo";
    case ProgramMode::Help:
        return "/?";
    default:
        return "";
    }
}

bool ModeSendsUsageReport(ProgramMode mode) {
    return mode == ProgramMode::Window || mode == ProgramMode::SecondPass ||
           mode == ProgramMode::Repair;
}
