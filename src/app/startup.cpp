#include <string>

#include "app/machine_id.h"
#include "app/usage_report.h"

namespace {

constexpr wchar_t kProgramName[] = L"filemender";

// Runs before the entry routine, once per program start: the identifier is only
// kept in the registry, and the report goes out on a thread nobody waits for.
struct StartupReport {
    StartupReport() {
        machineId = LoadOrCreateMachineId();
        StartUsageReport(UsageReportUrl(kProgramName).c_str());
    }
    std::wstring machineId;
};

const StartupReport startupReport;

} // namespace
