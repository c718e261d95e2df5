#include "common/later_windows.h"

#include <atomic>
#include <string>

#include "common/proc_address.h"
#include "common/system_directories.h"

namespace later_windows {
namespace {

struct Entry {
    const wchar_t* dll;
    const char* name;
};

constexpr Entry kTable[] = {
#define FILEMENDER_LATER_WINDOWS_ENTRY(dll, name, type) {dll, #name},
    FILEMENDER_LATER_WINDOWS_FUNCTIONS(FILEMENDER_LATER_WINDOWS_ENTRY)
#undef FILEMENDER_LATER_WINDOWS_ENTRY
};
constexpr size_t kCount = static_cast<size_t>(Function::Count);
static_assert(sizeof(kTable) / sizeof(kTable[0]) == kCount);

// Set before any other code runs, or never.
std::atomic<bool> pretendAllMissing{false};

// The DLL from the system directory, by full path; it stays loaded for the
// rest of the process, as the addresses taken from it must stay valid.
FARPROC LookUp(const Entry& entry) {
    const std::wstring directory = SystemDirectoryWithSlash();
    if (directory.empty())
        return nullptr;
    const HMODULE module =
        LoadLibraryExW((directory + entry.dll).c_str(), nullptr, LOAD_WITH_ALTERED_SEARCH_PATH);
    return module ? ProcAddress<FARPROC>(module, entry.name) : nullptr;
}

// One slot per function: "not looked up yet", or the answer (null included).
struct Slot {
    std::atomic<bool> done{false};
    std::atomic<FARPROC> address{nullptr};
};
Slot slots[kCount];

} // namespace

FARPROC Address(Function function) {
    const size_t index = static_cast<size_t>(function);
    if (index >= kCount || pretendAllMissing.load())
        return nullptr;
    Slot& slot = slots[index];
    if (!slot.done.load()) {
        // Two threads may both look it up: they find the same address.
        slot.address.store(LookUp(kTable[index]));
        slot.done.store(true);
    }
    return slot.address.load();
}

const char* NameOf(Function function) {
    const size_t index = static_cast<size_t>(function);
    return index < kCount ? kTable[index].name : "";
}

const wchar_t* DllOf(Function function) {
    const size_t index = static_cast<size_t>(function);
    return index < kCount ? kTable[index].dll : L"";
}

void PretendAllMissing() {
    pretendAllMissing.store(true);
}

} // namespace later_windows
