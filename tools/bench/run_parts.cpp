// Times the parts of one unattended run inside one process: the usage report
// (sent and waited for here, where the program leaves it to a thread of its
// own), each module's scan and repair, the run's own begin and end (the log
// written), then, once more after the run, the index and each step of the
// system file scan on its own.
// Prints one line per part: "<part>\t<ms>\t<peak working set KiB so far>".
#include <windows.h>
#include <psapi.h>

#include <cstdio>

#include "app/repair_run.h"
#include "app/run_flags.h"
#include "app/usage_report.h"
#include "killers/kill_cybo_qq.h"
#include "killers/kill_fake_netbios.h"
#include "killers/kill_risk_drivers.h"
#include "sysfile/damaged_file_scan.h"
#include "sysfile/edition_index.h"
#include "sysfile/input_method_check.h"
#include "sysfile/kill_file_mender.h"
#include "sysfile/search_path_suspects.h"
#include "sysfile/version_baseline_check.h"
#include "sysfile/winlogon_shell.h"

namespace {

double Now() {
    static LARGE_INTEGER frequency = [] {
        LARGE_INTEGER f;
        QueryPerformanceFrequency(&f);
        return f;
    }();
    LARGE_INTEGER counter;
    QueryPerformanceCounter(&counter);
    return 1000.0 * static_cast<double>(counter.QuadPart) / static_cast<double>(frequency.QuadPart);
}

// The part's time, and the process's peak working set once it is done.
void Report(const char* part, double ms) {
    PROCESS_MEMORY_COUNTERS counters = {};
    counters.cb = sizeof(counters);
    GetProcessMemoryInfo(GetCurrentProcess(), &counters, sizeof(counters));
    std::printf("%s\t%.1f\t%llu\n", part, ms,
                static_cast<unsigned long long>(counters.PeakWorkingSetSize / 1024));
}

double modulesMs = 0;

// Times what it calls and prints it under PART.
template <class Call> auto Timed(const char* part, Call call) {
    const double start = Now();
    auto result = call();
    const double ms = Now() - start;
    Report(part, ms);
    return result;
}

// A module as the run sees it, with its scan and repair timed.
template <class Module, const char* ScanPart, const char* RepairPart> class TimedModule {
public:
    int Scan() {
        return Measure(ScanPart, [this] { return module_.Scan(); });
    }
    int Repair() {
        return Measure(RepairPart, [this] { return module_.Repair(); });
    }

private:
    template <class Call> int Measure(const char* part, Call call) {
        const double start = Now();
        const int result = call();
        const double ms = Now() - start;
        modulesMs += ms;
        Report(part, ms);
        return result;
    }
    Module module_;
};

constexpr char kRiskScan[] = "risk drivers: scan";
constexpr char kRiskRepair[] = "risk drivers: repair";
constexpr char kCyboScan[] = "cybo qq: scan";
constexpr char kCyboRepair[] = "cybo qq: repair";
constexpr char kNetBiosScan[] = "fake netbios: scan";
constexpr char kNetBiosRepair[] = "fake netbios: repair";
constexpr char kMenderScan[] = "file mender: scan";
constexpr char kMenderRepair[] = "file mender: repair";

} // namespace

int wmain() {
    Report("entry reached (imports loaded)", 0);
    Timed("usage report (on its own thread in the program)",
          [] { return SendUsageReport(UsageReportUrl(L"filemender").c_str()); });

    TheRunFlags().secondPass = 1;
    const double runStart = Now();
    RunRepairWith<TimedModule<CKillRiskDrivers, kRiskScan, kRiskRepair>,
                  TimedModule<CKillCyboQQ, kCyboScan, kCyboRepair>,
                  TimedModule<CKillFakeNetBios, kNetBiosScan, kNetBiosRepair>,
                  TimedModule<CKillFileMender, kMenderScan, kMenderRepair>>(nullptr);
    Report("run begin and end (the log written)", Now() - runStart - modulesMs);

    // Each step once more on its own, after the run (libraries loaded, files
    // cached); each file scan materialises and loads the index itself.
    Timed("again: index materialised and loaded", [] {
        FileIndex index;
        return LoadRunningEditionIndex(index);
    });
    Timed("again: search-path DLL check", [] {
        InjectSuspectSet suspects;
        return FindSearchPathSuspects(suspects);
    });
    FileVersions versions; // shared by the two file scans, as in the run
    Timed("again: damaged-file scan", [&] {
        RepairEntries list;
        return ScanDamagedFiles(list, versions);
    });
    Timed("again: input method check", [] {
        InputMethodState state;
        return CheckInputMethods(state);
    });
    Timed("again: version baseline check", [&] {
        RepairEntries list;
        return CheckVersionBaseline(list, versions);
    });
    Timed("again: Winlogon check", [] { return WinlogonShellIsSound(); });
    return 0;
}
