#include "killers/companion_dll.h"

#include <windows.h>

#include <cwchar>

namespace {

const struct {
    const wchar_t* program;
    const wchar_t* dll;
} kCompanions[] = {
    {L"ttplayer.exe", L"ttpcomm.dll"},         {L"qq.exe", L"BasicCtrlDll.dll"},
    {L"thunder.exe", L"program\\BHOStub.dll"}, {L"storm.exe", L"mps.dll"},
    {L"aliim.exe", L"uibrowser.dll"},          {L"msnmsgr.exe", L"uxcontacts.dll"},
};

} // namespace

bool CompanionDllPath(const wchar_t* programPath, std::wstring& dllPath) {
    std::wstring program = programPath;
    if (program.size() >= MAX_PATH)
        program.resize(MAX_PATH - 1);
    size_t separator = program.rfind(L'\\');
    if (separator == std::wstring::npos)
        separator = program.rfind(L'/');
    // A bare file name has no directory to find the DLL in.
    if (separator == std::wstring::npos)
        return false;
    const wchar_t* name = program.c_str() + separator + 1;
    for (const auto& companion : kCompanions) {
        if (_wcsicmp(name, companion.program) != 0)
            continue;
        std::wstring path = program.substr(0, separator + 1);
        if (path.back() != L'\\')
            path += L'\\';
        path += companion.dll;
        // A path cut to fit would name some other file.
        if (path.size() >= MAX_PATH)
            return false;
        dllPath = std::move(path);
        return true;
    }
    return false;
}
