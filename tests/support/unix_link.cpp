#include "support/unix_link.h"

#include <windows.h>

#include "common/proc_address.h"
#include "common/unique_resource.h"

namespace {

std::string UnixPathOf(const std::wstring& path) {
    using UnixFileNameFn = char*(CDECL*)(const wchar_t*);
    const auto unixFileName =
        ProcAddress<UnixFileNameFn>(GetModuleHandleW(L"kernel32.dll"), "wine_get_unix_file_name");
    char* name = unixFileName ? unixFileName(path.c_str()) : nullptr;
    if (!name)
        return {};
    std::string unixPath = name;
    HeapFree(GetProcessHeap(), 0, name);
    return unixPath;
}

std::wstring Widened(const std::string& text) {
    return std::wstring(text.begin(), text.end());
}

// Starts the Unix program PROGRAM (a Windows path on Z:) with ARGUMENTS,
// which must not contain blanks.
bool RunUnixProgram(const wchar_t* program, const std::wstring& arguments) {
    std::wstring commandLine = std::wstring(program) + L" " + arguments;
    STARTUPINFOW startup = {};
    startup.cb = sizeof(startup);
    PROCESS_INFORMATION process = {};
    if (!CreateProcessW(program, commandLine.data(), nullptr, nullptr, FALSE, 0, nullptr, nullptr,
                        &startup, &process))
        return false;
    // Wine hands back no process handle one could wait on: callers look for
    // the result instead.
    UniqueHandle processHandle(process.hProcess);
    UniqueHandle threadHandle(process.hThread);
    return true;
}

bool NoBlank(const std::string& path) {
    return !path.empty() && path.find(' ') == std::string::npos;
}

} // namespace

bool MakeUnixLink(const std::wstring& link, const std::wstring& target) {
    const std::string unixLink = UnixPathOf(link);
    const std::string unixTarget = UnixPathOf(target);
    if (!NoBlank(unixLink) || !NoBlank(unixTarget) ||
        !RunUnixProgram(L"Z:\\bin\\ln", L"-sfn " + Widened(unixTarget) + L" " + Widened(unixLink)))
        return false;
    for (int tries = 0; tries < 100; ++tries) {
        UniqueFile linked(CreateFileW(link.c_str(), FILE_READ_ATTRIBUTES,
                                      FILE_SHARE_READ | FILE_SHARE_WRITE | FILE_SHARE_DELETE,
                                      nullptr, OPEN_EXISTING, FILE_FLAG_BACKUP_SEMANTICS, nullptr));
        if (linked)
            return true;
        Sleep(20);
    }
    return false;
}

bool RemoveUnixLink(const std::wstring& link) {
    const std::string unixLink = UnixPathOf(link);
    if (!NoBlank(unixLink) || !RunUnixProgram(L"Z:\\bin\\rm", L"-f " + Widened(unixLink)))
        return false;
    for (int tries = 0; tries < 100; ++tries) {
        if (GetFileAttributesW(link.c_str()) == INVALID_FILE_ATTRIBUTES)
            return true;
        Sleep(20);
    }
    return false;
}
