#include <gtest/gtest.h>

#include <windows.h>

#include <regex>
#include <string>

#include "app/module_kill_client.h"
#include "app/exit_codes.h"
#include "app/repair_run.h"
#include "app/run_report.h"
#include "app/run_flags.h"
#include "app/run_completion.h"
#include "app/run_log.h"
#include "app/run_report.h"
#include "app/stop_request.h"
#include "common/registry.h"
#include "support/prompt_watcher.h"
#include "support/test_files.h"

namespace {

// What a stand-in module does when the run drives it.
struct Behaviour {
    int scanResult = 0;
    std::string scanLine;
    std::string scanNote; // a note about the scan, no finding
    std::string repairLine;
    bool scanNeedsRestart = false;
    bool stopDuringRepair = false; // the user presses stop while it repairs
    std::wstring notRepaired;      // what its repair could not repair
    int scans = 0;
    int repairs = 0;
    bool alive = false;
};

Behaviour behaviours[4];
std::string order; // construction and destruction order, e.g. "+0+1-1-0"

template <int Slot> class FakeModule final : public IModuleKillClientNull {
public:
    FakeModule() {
        order += "+" + std::to_string(Slot);
        behaviours[Slot].alive = true;
    }
    ~FakeModule() {
        order += "-" + std::to_string(Slot);
        behaviours[Slot].alive = false;
    }
    int Scan() override {
        Behaviour& b = behaviours[Slot];
        ++b.scans;
        TheRunLog().Append(b.scanLine);
        TheRunLog().AppendNote(b.scanNote);
        if (b.scanNeedsRestart)
            RequireRestart();
        return b.scanResult;
    }
    int Repair() override {
        Behaviour& b = behaviours[Slot];
        ++b.repairs;
        TheRunLog().Append(b.repairLine);
        if (!b.notRepaired.empty())
            NoteNotRepaired(b.notRepaired);
        if (b.stopDuringRepair)
            RequestStop();
        // All four live until the run has ended.
        for (const Behaviour& other : behaviours)
            EXPECT_TRUE(other.alive || &other > &b);
        return 0;
    }
};

int RunUnattendedFakes() {
    return RunUnattendedRepairWith<FakeModule<0>, FakeModule<1>, FakeModule<2>, FakeModule<3>>();
}

int RunFakes(HWND dialog = nullptr) {
    return RunRepairWith<FakeModule<0>, FakeModule<1>, FakeModule<2>, FakeModule<3>>(dialog);
}

constexpr wchar_t kRunOnceKey[] = L"Software\\Microsoft\\Windows\\CurrentVersion\\RunOnce";

const std::string kNoAnomaly = "\xce\xb4\xb7\xa2\xcf\xd6\xd2\xec\xb3\xa3";
const std::string kSeparator = "\r\n" + std::string(69, '=') + "\r\n\r\n";

std::wstring RunOnceValue() {
    UniqueKey key;
    std::wstring value;
    if (OpenKey(HKEY_LOCAL_MACHINE, kRunOnceKey, KEY_READ, key) == ERROR_SUCCESS &&
        ReadString(key.get(), L"OrvixKillerTools", 1024, value) == ERROR_SUCCESS)
        return value;
    return L"<none>";
}

// Splits a block into its start line and the rest, checking the start line's form.
std::string BodyAfterStartLine(const std::string& block) {
    static const std::regex startLine(
        R"(^StartTime:[1-9]\d{3}-[1-9]\d?-[1-9]\d? (0|[1-9]\d?):(0|[1-9]\d?):(0|[1-9]\d?)\r\n\r\n)");
    std::smatch match;
    EXPECT_TRUE(std::regex_search(block, match, startLine)) << block;
    return match.empty() ? block : match.suffix().str();
}

class RepairRun : public ::testing::Test {
protected:
    void SetUp() override {
        for (Behaviour& b : behaviours)
            b = Behaviour();
        order.clear();
        TheRunFlags() = RunFlags();
        ClearStopRequest();
        ResetRunCompletion();
        logPath_ = LogFilePath(false);
        DeleteFileW(logPath_.c_str());
        UniqueKey key;
        if (OpenKey(HKEY_LOCAL_MACHINE, kRunOnceKey, KEY_ALL_ACCESS, key) == ERROR_SUCCESS)
            RegDeleteValueW(key.get(), L"OrvixKillerTools");
    }
    void TearDown() override { DeleteFileW(logPath_.c_str()); }

    std::wstring logPath_;
};

TEST_F(RepairRun, CleanRunWritesStartLineNoAnomalyAndSeparator) {
    SYSTEMTIME before = {};
    GetLocalTime(&before);
    PromptWatcher prompts;
    EXPECT_EQ(RunFakes(), 0);

    const std::string file = ReadWholeFile(logPath_);
    EXPECT_EQ(file, TheRunLog().Text());
    EXPECT_EQ(file.rfind("StartTime:" + std::to_string(before.wYear) + "-", 0), 0u);
    EXPECT_EQ(BodyAfterStartLine(file), kNoAnomaly + kSeparator);
    EXPECT_EQ(TheRunFlags().anythingFound, 0);
    EXPECT_EQ(RunOnceValue(), L"<none>");
    EXPECT_EQ(prompts.Answered(), 0);
    EXPECT_EQ(order, "+0+1+2+3-3-2-1-0");
}

TEST_F(RepairRun, TitleLinesStandBetweenScanAndRepairLines) {
    struct Case {
        int slot;
        std::string title; // code page 936 bytes
    } cases[] = {
        {0, "\xd0\xde\xb8\xb4\xce\xde\xb7\xa8\xc1\xac\xbd\xd3\xd4\xc6\xb2\xe9\xc9\xb1\xb7\xfe\xce"
            "\xf1\xc6\xf7\xce\xca\xcc\xe2\r\n"},
        {1, "\xd0\xde\xb8\xb4\xb1\xbb\xc8\xfc\xb2\xa9qq\xb8\xd0\xc8\xbe\xd0\xcd\xc4\xbe\xc2\xed\xc6"
            "\xc6\xbb\xb5\xb5\xc4\xce\xc4\xbc\xfe\r\n"},
        {2, "\xc7\xe5\xb3\xfdNetBios.sys\xc4\xbe\xc2\xed\r\n"},
        {3, "\xd0\xde\xb8\xb4\xb1\xbb\xc6\xc6\xbb\xb5\xb5\xc4\xcf\xb5\xcd\xb3\xce\xc4\xbc\xfe\r\n"},
    };
    const size_t titleBytes[] = {30, 34, 21, 22};
    std::string expected;
    for (const Case& c : cases) {
        EXPECT_EQ(c.title.size(), titleBytes[c.slot]);
        Behaviour& b = behaviours[c.slot];
        b.scanResult = 1;
        b.scanLine = "scan" + std::to_string(c.slot) + "\r\n";
        b.repairLine = "repair" + std::to_string(c.slot) + "\r\n";
        expected += b.scanLine + c.title + b.repairLine;
    }
    PromptWatcher prompts;
    RunFakes();
    EXPECT_EQ(BodyAfterStartLine(TheRunLog().Text()), expected + kSeparator);
    for (const Behaviour& b : behaviours)
        EXPECT_EQ(b.repairs, 1);
    EXPECT_EQ(TheRunFlags().anythingFound, 1);
}

TEST_F(RepairRun, ScanThatLogsButReturnsZeroStillCountsAsFinding) {
    behaviours[1].scanLine = "found\r\n";
    RunFakes();
    EXPECT_EQ(BodyAfterStartLine(TheRunLog().Text()), "found\r\n" + kSeparator);
    EXPECT_EQ(behaviours[1].repairs, 0);
    EXPECT_EQ(TheRunFlags().anythingFound, 1);
}

// What a 32-bit build under WOW64 logs about the system files it does not
// check stays in the log, and the run, the report and the scan's exit code
// still say that nothing was found.
TEST_F(RepairRun, NoteAloneIsNoFinding) {
    const std::string note = "not checked here\r\n";
    behaviours[3].scanNote = note;
    RunFakes();
    EXPECT_EQ(BodyAfterStartLine(TheRunLog().Text()), note + kNoAnomaly + kSeparator);
    EXPECT_EQ(TheRunFlags().anythingFound, 0);
    for (const ModuleFinding& finding : TheRunReport().modules)
        EXPECT_FALSE(finding.found) << finding.module.c_str();

    EXPECT_EQ((RunScanOnlyWith<FakeModule<0>, FakeModule<1>, FakeModule<2>, FakeModule<3>>()), 0);
    EXPECT_NE(TheRunLog().Text().find(note + kNoAnomaly), std::string::npos);

    // A finding beside the note is still one.
    behaviours[2].scanLine = "found\r\n";
    EXPECT_EQ((RunScanOnlyWith<FakeModule<0>, FakeModule<1>, FakeModule<2>, FakeModule<3>>()), 1);
    EXPECT_EQ(TheRunLog().Text().find(kNoAnomaly), std::string::npos);
}

TEST_F(RepairRun, SecondPassNeededWritesRunOnceAndPrompts) {
    for (int slot : {0, 2}) {
        SCOPED_TRACE(slot);
        SetUp();
        behaviours[slot].scanResult = 1;
        PromptWatcher prompts;
        RunFakes();
        EXPECT_EQ(TheRunFlags().secondPassNeeded, 1);
        EXPECT_EQ(TheRunFlags().restartRequired, 1);
        // A copy in the tool's own folder, byte for byte the started program.
        const std::wstring copy = L"C:\\ProgramData\\quillanTools\\filemender.exe";
        EXPECT_EQ(RunOnceValue(), L"\"" + copy + L"\" second_proc");
        wchar_t ownPath[512] = {};
        GetModuleFileNameW(nullptr, ownPath, 512);
        EXPECT_TRUE(ReadWholeFile(copy) == ReadWholeFile(ownPath));
        EXPECT_EQ(prompts.Answered(), 1);
    }
}

TEST_F(RepairRun, RestartWithoutSecondPassPromptsButWritesNoRunOnce) {
    // Slots 1 and 3 never ask for a second pass, whatever they find.
    behaviours[1].scanResult = 1;
    behaviours[3].scanResult = 1;
    behaviours[3].scanNeedsRestart = true;
    PromptWatcher prompts;
    RunFakes();
    EXPECT_EQ(TheRunFlags().secondPassNeeded, 0);
    EXPECT_EQ(RunOnceValue(), L"<none>");
    EXPECT_EQ(prompts.Answered(), 1);
}

TEST_F(RepairRun, MissingRunOnceKeyStillPromptsButSchedulesNothing) {
    ASSERT_EQ(RegDeleteKeyW(HKEY_LOCAL_MACHINE, kRunOnceKey), ERROR_SUCCESS);
    behaviours[0].scanResult = 1;
    {
        PromptWatcher prompts;
        RunFakes();
        EXPECT_EQ(prompts.Answered(), 1);
    }
    UniqueKey key;
    EXPECT_EQ(OpenKey(HKEY_LOCAL_MACHINE, kRunOnceKey, KEY_READ, key), ERROR_FILE_NOT_FOUND)
        << "the run opens the key, it never creates it";
    RegCreateKeyExW(HKEY_LOCAL_MACHINE, kRunOnceKey, 0, nullptr, 0, KEY_ALL_ACCESS, nullptr,
                    key.put(), nullptr);
}

TEST_F(RepairRun, SecondPassNeverWritesRunOnceNorPrompts) {
    TheRunFlags().secondPass = 1;
    behaviours[0].scanResult = 1;
    behaviours[3].scanNeedsRestart = true;
    PromptWatcher prompts;
    RunFakes();
    EXPECT_EQ(RunOnceValue(), L"<none>");
    EXPECT_EQ(prompts.Answered(), 0);
    EXPECT_FALSE(ReadWholeFile(logPath_).empty());
}

TEST_F(RepairRun, FlagsOfThePreviousRunAreCleared) {
    TheRunFlags().restartRequired = 1;
    TheRunFlags().secondPassNeeded = 1;
    TheRunFlags().anythingFound = 1;
    PromptWatcher prompts;
    RunFakes();
    EXPECT_EQ(prompts.Answered(), 0);
    EXPECT_EQ(TheRunFlags().anythingFound, 1) << "only the dialog clears it";
}

TEST_F(RepairRun, TwoRunsAppendTwoBlocks) {
    RunFakes();
    behaviours[2].scanLine = "x\r\n";
    RunFakes();
    const std::string file = ReadWholeFile(logPath_);
    const size_t second = file.find("StartTime:", 1);
    ASSERT_NE(second, std::string::npos);
    EXPECT_EQ(BodyAfterStartLine(file.substr(0, second)), kNoAnomaly + kSeparator);
    EXPECT_EQ(BodyAfterStartLine(file.substr(second)), "x\r\n" + kSeparator);
}

// A stop ends the run at the next module: what was done is logged (no claim
// that nothing was found), a second pass a finished repair needs is still
// arranged, the user is not asked to restart, and the completion comes once.
TEST_F(RepairRun, StopEndsTheRunBetweenModulesAndRecordsWhatWasDone) {
    const std::string riskDriversTitle =
        "\xd0\xde\xb8\xb4\xce\xde\xb7\xa8\xc1\xac\xbd\xd3\xd4\xc6\xb2\xe9\xc9\xb1\xb7\xfe\xce"
        "\xf1\xc6\xf7\xce\xca\xcc\xe2\r\n";
    for (Behaviour& b : behaviours) {
        b.scanResult = 1;
        b.scanLine = "scan\r\n";
        b.repairLine = "repair\r\n";
    }
    behaviours[0].stopDuringRepair = true;
    HWND window = CreateWindowW(L"STATIC", L"", 0, 0, 0, 0, 0, nullptr, nullptr, nullptr, nullptr);
    ASSERT_NE(window, nullptr);
    PromptWatcher prompts;
    RunFakes(window);

    EXPECT_EQ(BodyAfterStartLine(ReadWholeFile(logPath_)),
              "scan\r\n" + riskDriversTitle + "repair\r\n" + kSeparator);
    for (int slot : {1, 2, 3})
        EXPECT_EQ(behaviours[slot].scans, 0) << slot;
    EXPECT_EQ(TheRunFlags().anythingFound, 1);
    EXPECT_NE(RunOnceValue(), L"<none>");
    EXPECT_EQ(prompts.Answered(), 0);
    MSG message = {};
    EXPECT_TRUE(PeekMessageW(&message, window, WM_REPAIR_FINISHED, WM_REPAIR_FINISHED, PM_REMOVE));
    EXPECT_FALSE(PostRunCompletionOnce(window)) << "the run has posted it";
    DestroyWindow(window);

    // A stop before the first module: an empty block, nothing claimed.
    SetUp();
    behaviours[0].scanResult = 1;
    RequestStop();
    RunFakes();
    EXPECT_EQ(BodyAfterStartLine(ReadWholeFile(logPath_)), kSeparator);
    EXPECT_EQ(behaviours[0].scans, 0);
    EXPECT_EQ(TheRunFlags().anythingFound, 0);
    ClearStopRequest();
}

TEST_F(RepairRun, CompletionIsPostedToTheDialog) {
    HWND window = CreateWindowW(L"STATIC", L"", 0, 0, 0, 0, 0, nullptr, nullptr, nullptr, nullptr);
    ASSERT_NE(window, nullptr);
    RunFakes(window);
    MSG message = {};
    EXPECT_TRUE(PeekMessageW(&message, window, WM_REPAIR_FINISHED, WM_REPAIR_FINISHED, PM_REMOVE));
    EXPECT_EQ(message.wParam, 0u);
    EXPECT_EQ(message.lParam, 0);
    EXPECT_EQ(WM_REPAIR_FINISHED, 0x0464u);
    DestroyWindow(window);
}

// The repair without a window: the same run, no restart prompt whatever it
// needs, and an exit code a deployment tool reads.
TEST_F(RepairRun, UnattendedRepairNeverPromptsAndAnswersWithItsExitCode) {
    struct Case {
        const char* what;
        int findingSlot; // -1: nothing found
        bool needsRestart;
        const wchar_t* notRepaired;
        int exitCode;
        bool runOnce;
    } cases[] = {
        {"nothing found", -1, false, L"", kExitSuccess, false},
        {"repaired, nothing left", 1, false, L"", kExitSuccess, false},
        {"a file replaced at the next start", 3, true, L"", kExitRestartRequired, false},
        {"a second pass arranged", 0, false, L"", kExitRestartRequired, true},
        {"a second pass arranged (fake NetBIOS)", 2, false, L"", kExitRestartRequired, true},
        {"something left unrepaired", 3, true, L"C:\\x\\held.dll", kExitNotAllRepaired, false},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.what);
        SetUp();
        if (c.findingSlot >= 0) {
            Behaviour& b = behaviours[c.findingSlot];
            b.scanResult = 1;
            b.scanNeedsRestart = c.needsRestart;
            b.notRepaired = c.notRepaired;
        }
        PromptWatcher prompts;
        EXPECT_EQ(RunUnattendedFakes(), c.exitCode);
        EXPECT_EQ(prompts.Answered(), 0);
        EXPECT_EQ(RunOnceValue() != L"<none>", c.runOnce);
        EXPECT_EQ(TheRunReport().mode, L"repair");
        EXPECT_EQ(TheRunReport().restartRequired,
                  c.exitCode == kExitRestartRequired || c.needsRestart);
        if (*c.notRepaired) {
            // A line of the block names it (code page 936 "未能修复", TAB, path).
            EXPECT_NE(ReadWholeFile(logPath_).find(
                          "\xce\xb4\xc4\xdc\xd0\xde\xb8\xb4\tC:\\x\\held.dll\r\n"),
                      std::string::npos);
        }
    }
}

// A second pass that cannot be arranged leaves the repair unfinished.
TEST_F(RepairRun, UnattendedRepairWithoutRunOnceKeyIsNotAllRepaired) {
    ASSERT_EQ(RegDeleteKeyW(HKEY_LOCAL_MACHINE, kRunOnceKey), ERROR_SUCCESS);
    behaviours[0].scanResult = 1;
    EXPECT_EQ(RunUnattendedFakes(), kExitNotAllRepaired);
    ASSERT_EQ(TheRunReport().notRepaired.size(), 1u);
    EXPECT_NE(TheRunReport().notRepaired[0].find(L"OrvixKillerTools"), std::wstring::npos);
    UniqueKey key;
    RegCreateKeyExW(HKEY_LOCAL_MACHINE, kRunOnceKey, 0, nullptr, 0, KEY_ALL_ACCESS, nullptr,
                    key.put(), nullptr);
}

} // namespace
