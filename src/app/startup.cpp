#include <windows.h>

#include <string>

#include "app/administrator_rights.h"
#include "app/command_line_modes.h"
#include "app/machine_id.h"
#include "app/single_run_guard.h"
#include "app/usage_report.h"
#include "common/dll_search_order.h"

namespace {

constexpr wchar_t kProgramName[] = L"filemender";

// Runs before the entry routine, once per program start: the identifier is only
// kept in the registry, and the report goes out on a thread nobody waits for.
// A scan and an undo promise to change nothing but what they say and to tell
// nobody, and a command line the program does not understand changes nothing:
// neither happens then, nor while another run of the program is going.
// Without administrator rights the program runs nothing, and could not keep
// the identifier: no report either.
struct StartupReport {
    StartupReport() {
        // Before anything here loads a DLL, WinINet's own included.
        UseSafeDllSearchOrder();
        if (!ModeSendsUsageReport(ModeOfCommandLine(GetCommandLineW())) ||
            !HasAdministratorRights() || !TakeSingleRunGuard())
            return;
        machineId = LoadOrCreateMachineId();
        StartUsageReport(UsageReportUrl(kProgramName).c_str());
    }
    std::wstring machineId;
};

const StartupReport startupReport;

} // namespace
