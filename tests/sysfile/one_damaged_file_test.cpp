#include <gtest/gtest.h>

#include <windows.h>

#include <string>

#include "app/repair_run.h"
#include "app/run_flags.h"
#include "app/run_log.h"
#include "app/usage_report.h"
#include "common/registry.h"
#include "common/unique_resource.h"
#include "sysfile/mender_fixture.h"
#include "support/prompt_watcher.h"
#include "support/server_log.h"
#include "support/test_files.h"

// The prefix is the reference installation but for one truncated file; the
// runs are started by the user (not the unattended pass), so a restart
// request would show the system's restart prompt.
namespace {

constexpr char kGoodCopyRequest[] = " /sysfiles2/files/";
// Shell32's restart prompt under a Chinese locale, as Wine titles it.
constexpr wchar_t kRestartPromptTitle[] = L"重启";

struct RunSeen {
    std::string log;
    int fileRepairLines;
    int downloads;
    int restartPrompts;
    bool restartRequired;
};

int Occurrences(const std::string& text, const std::string& what) {
    int count = 0;
    for (size_t at = text.find(what); at != std::string::npos; at = text.find(what, at + 1))
        ++count;
    return count;
}

// Every request a run made is in the server's log once a request sent after
// the run is there: nginx logs them in the order it answered them.
int GoodCopyRequestsSoFar() {
    static int sentinel = 0;
    const std::string name = "after-run-" + std::to_string(++sentinel);
    SendUsageReport(UsageReportUrl(std::wstring(name.begin(), name.end()).c_str()).c_str());
    ServerLogCount("name=" + name + "&", 1);
    return ServerLogCount(kGoodCopyRequest);
}

RunSeen RunAsTheUserStartedIt() {
    const int downloadsBefore = GoodCopyRequestsSoFar();
    TheRunFlags().secondPass = 0;
    RunSeen seen = {};
    {
        PromptWatcher prompts;
        RunRepair(nullptr);
        seen.restartPrompts = prompts.AnsweredTitled(kRestartPromptTitle);
    }
    seen.log = TheRunLog().Text();
    seen.fileRepairLines = Occurrences(seen.log, kFileRepairedLabel);
    seen.restartRequired = TheRunFlags().restartRequired != 0;
    seen.downloads = GoodCopyRequestsSoFar() - downloadsBefore;
    return seen;
}

bool ValueExists(const wchar_t* key, const wchar_t* name) {
    UniqueKey opened;
    return OpenKey(HKEY_LOCAL_MACHINE, key, KEY_READ, opened) == ERROR_SUCCESS &&
           RegQueryValueExW(opened.get(), name, nullptr, nullptr, nullptr, nullptr) ==
               ERROR_SUCCESS;
}

class OneDamagedFile : public MenderFixture {};

TEST_F(OneDamagedFile, OneRunRepairsItAndTheNextLeavesTheMachineAlone) {
    const std::wstring damaged = SystemFile(L"dsound.dll");
    const std::string reference = ReadWholeFile(damaged);
    ASSERT_EQ(DigestOf(reference), IndexedDigestOf(damaged)) << "the prefix is the reference";
    ASSERT_TRUE(WriteWholeFile(damaged, reference.substr(0, 1000)));

    const RunSeen first = RunAsTheUserStartedIt();
    EXPECT_TRUE(ReadWholeFile(damaged) == reference) << "not byte-identical to the reference";
    EXPECT_EQ(first.fileRepairLines, 1) << first.log;
    EXPECT_NE(first.log.find(FileRepairedLine(damaged)), std::string::npos) << first.log;
    EXPECT_EQ(first.downloads, 1);
    EXPECT_EQ(first.restartPrompts, 1) << "the damaged file asks for a restart";

    const RunSeen second = RunAsTheUserStartedIt();
    EXPECT_EQ(second.fileRepairLines, 0) << second.log;
    EXPECT_EQ(second.downloads, 0);
    EXPECT_FALSE(second.restartRequired);
    EXPECT_EQ(second.restartPrompts, 0);
    EXPECT_FALSE(ValueExists(L"System\\CurrentControlSet\\Control\\Session Manager",
                             L"PendingFileRenameOperations"));
    EXPECT_FALSE(
        ValueExists(L"Software\\Microsoft\\Windows\\CurrentVersion\\RunOnce", L"OrvixKillerTools"));
}

} // namespace
