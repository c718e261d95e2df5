#include "app/administrator_rights.h"

#include <windows.h>

#include <atomic>
#include <cstdio>
#include <string>

#include "app/exit_codes.h"
#include "app/repair_run.h"
#include "app/run_log.h"
#include "common/link_safe_file.h"

namespace {

std::atomic<bool> pretendNoRights{false};

constexpr char kRefused[] = "Refused: no administrator rights, nothing done\t";

bool TokenHasAdministrators() {
    SID_IDENTIFIER_AUTHORITY ntAuthority = SECURITY_NT_AUTHORITY;
    PSID administrators = nullptr;
    if (!AllocateAndInitializeSid(&ntAuthority, 2, SECURITY_BUILTIN_DOMAIN_RID,
                                  DOMAIN_ALIAS_RID_ADMINS, 0, 0, 0, 0, 0, 0, &administrators))
        return false;
    BOOL member = FALSE;
    const BOOL checked = CheckTokenMembership(nullptr, administrators, &member);
    FreeSid(administrators);
    return checked && member;
}

void WriteAll(HANDLE file, const std::string& text) {
    DWORD written = 0;
    WriteFile(file, text.data(), static_cast<DWORD>(text.size()), &written, nullptr);
}

} // namespace

bool HasAdministratorRights() {
    return !pretendNoRights.load() && TokenHasAdministrators();
}

int RequireAdministratorRights(const char* mode) {
    if (HasAdministratorRights())
        return 0;
    SYSTEMTIME now = {};
    GetLocalTime(&now);
    char start[64] = {};
    std::snprintf(start, sizeof(start), "StartTime:%i-%i-%i %i:%i:%i\r\n\r\n", now.wYear,
                  now.wMonth, now.wDay, now.wHour, now.wMinute, now.wSecond);
    const std::string line = std::string(kRefused) + mode + "\r\n";
    // Neither the tool's folder nor the log is made: a limited user's files
    // there would make the next elevated run distrust the folder.
    const std::wstring path = LogFilePath(false);
    if (!path.empty() && GetFileAttributesW(path.c_str()) != INVALID_FILE_ATTRIBUTES) {
        const UniqueFile log = OpenOwnFileForAppend(path);
        LARGE_INTEGER zero = {};
        if (log && SetFilePointerEx(log.get(), zero, nullptr, FILE_END))
            WriteAll(log.get(), start + line + std::string(kBlockSeparator));
    }
    const HANDLE error = GetStdHandle(STD_ERROR_HANDLE);
    if (error && error != INVALID_HANDLE_VALUE)
        WriteAll(error, line);
    return kExitNoAdministratorRights;
}

void PretendNoAdministratorRights() {
    pretendNoRights.store(true);
}
