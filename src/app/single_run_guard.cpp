#include "app/single_run_guard.h"

#include <windows.h>
#include <sddl.h>

#include "common/unique_resource.h"

namespace {

// In the global namespace, so that runs in other sessions (another user's,
// a remote desktop's) count too.
constexpr wchar_t kGuardName[] = L"Global\\TessalyFileMenderRun";
// Only SYSTEM and administrators may open it: a user's program cannot take
// the guard from a run, nor make a run wait on it.
constexpr wchar_t kGuardSddl[] = L"D:P(A;;GA;;;SY)(A;;GA;;;BA)";

bool TakeGuard(UniqueHandle& guard) {
    PSECURITY_DESCRIPTOR raw = nullptr;
    if (!ConvertStringSecurityDescriptorToSecurityDescriptorW(kGuardSddl, SDDL_REVISION_1, &raw,
                                                              nullptr))
        return false;
    UniqueLocal descriptor(raw);
    SECURITY_ATTRIBUTES attributes = {sizeof(attributes), raw, FALSE};
    guard.reset(CreateMutexW(&attributes, TRUE, kGuardName));
    // One that exists already, or that this process may not open, is
    // another run's.
    if (!guard || GetLastError() == ERROR_ALREADY_EXISTS) {
        guard.reset();
        return false;
    }
    return true;
}

} // namespace

bool TakeSingleRunGuard() {
    // Held until the process ends; the system releases it then.
    static UniqueHandle guard;
    static const bool taken = TakeGuard(guard);
    return taken;
}
