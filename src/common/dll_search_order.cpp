#include "common/dll_search_order.h"

#include <windows.h>

#include "common/later_windows.h"
#include "common/proc_address.h"

namespace {

// LOAD_LIBRARY_SEARCH_SYSTEM32, spelled out: only passed where the system
// knows it (Windows 7 with its loader update, and later).
constexpr DWORD kSearchSystem32 = 0x00000800;

} // namespace

void UseSafeDllSearchOrder() {
    const HMODULE kernel32 = GetModuleHandleW(L"kernel32.dll");
    if (kernel32 == nullptr)
        return;
    // SetDllDirectoryW came with XP SP1, which this program may still meet
    // unpatched: looked up, not imported.
    using SetDllDirectoryFn = BOOL(WINAPI*)(LPCWSTR);
    if (const auto setDllDirectory = ProcAddress<SetDllDirectoryFn>(kernel32, "SetDllDirectoryW"))
        setDllDirectory(L"");
    if (const auto setDefault = later_windows::SetDefaultDllDirectories())
        setDefault(kSearchSystem32);
}
