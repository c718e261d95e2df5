#include <windows.h>

#include <string>

#include "app/administrator_rights.h"
#include "app/command_line_modes.h"
#include "app/machine_id.h"
#include "app/usage_report.h"

namespace {

constexpr wchar_t kProgramName[] = L"filemender";

// Runs before the entry routine, once per program start: the identifier is only
// kept in the registry, and the report goes out on a thread nobody waits for.
// A scan promises to change nothing and to tell nobody: neither happens then.
// Without administrator rights the program runs nothing, and could not keep
// the identifier: no report either.
struct StartupReport {
    StartupReport() {
        if (IsScanOnlyCommandLine(GetCommandLineW()) || !HasAdministratorRights())
            return;
        machineId = LoadOrCreateMachineId();
        StartUsageReport(UsageReportUrl(kProgramName).c_str());
    }
    std::wstring machineId;
};

const StartupReport startupReport;

} // namespace
