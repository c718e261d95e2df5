// Linked into a test build of the program only: what Wine cannot show, told
// by the environment, from before any other code of the program runs.
// FILEMENDER_TEST_NO_ADMIN=1: the process lacks administrator rights (Wine
// always runs programs as an administrator). FILEMENDER_TEST_WOW64=1: a
// 32-bit program on 64-bit Windows (the tests run the 64-bit build).
#include <windows.h>

#include "app/administrator_rights.h"
#include "common/windows_version.h"

namespace {

bool IsSet(const wchar_t* name) {
    wchar_t value[4] = {};
    return GetEnvironmentVariableW(name, value, ARRAYSIZE(value)) == 1 && value[0] == L'1';
}

struct SystemSeams {
    SystemSeams() {
        if (IsSet(L"FILEMENDER_TEST_NO_ADMIN"))
            PretendNoAdministratorRights();
        if (IsSet(L"FILEMENDER_TEST_WOW64"))
            PretendWow64();
    }
};

__attribute__((init_priority(101))) const SystemSeams systemSeams;

} // namespace
