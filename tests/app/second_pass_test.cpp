#include <gtest/gtest.h>

#include <windows.h>

#include "app/command_line_modes.h"
#include "app/run_log.h"
#include "app/second_pass.h"
#include "common/registry.h"
#include "support/child_process.h"
#include "support/test_files.h"

namespace {

// The windowless modes are words of their own, unlike the second pass's switch.
TEST(CommandLineModes, UndoAndScanOnlyAreWordsOfTheirOwn) {
    struct Case {
        const wchar_t* commandLine;
        bool undo;
        bool scanOnly;
    } cases[] = {
        {L"\"C:\\Program Files\\t\\filemender.exe\" /undo", true, false},
        {L"filemender.exe /SCANONLY", false, true},
        {L"filemender.exe\t/ScanOnly extra", false, true},
        {L"/undo", true, false},
        {L"filemender.exe /undone", false, false},
        {L"filemender.exe x/undo", false, false},
        {L"filemender.exe /scan", false, false},
        {L"filemender.exe second_proc", false, false},
        {nullptr, false, false},
    };
    for (const Case& c : cases) {
        const wchar_t* shown = c.commandLine ? c.commandLine : L"(null)";
        EXPECT_EQ(IsUndoCommandLine(c.commandLine), c.undo) << shown;
        EXPECT_EQ(IsScanOnlyCommandLine(c.commandLine), c.scanOnly) << shown;
    }
}

// What one start is asked to do. Windows' RunOnce entry starts the second
// pass, which keeps reading nothing else of its line.
TEST(CommandLineModes, ModeOfCommandLine) {
    struct Case {
        const wchar_t* commandLine;
        ProgramMode mode;
    } cases[] = {
        {L"filemender.exe", ProgramMode::Window},
        {L"\"C:\\Program Files\\t\\filemender.exe\"", ProgramMode::Window},
        {L"\"C:\\Program Files\\t\\filemender.exe\"  ", ProgramMode::Window},
        {L"\"C:\\a b\\filemender.exe\" /REPAIR", ProgramMode::Repair},
        {L"filemender.exe \"/repair\"", ProgramMode::Repair},
        {L"filemender.exe /repair /repair", ProgramMode::Repair},
        {L"filemender.exe\t/ScanOnly", ProgramMode::ScanOnly},
        {L"filemender.exe /undo", ProgramMode::Undo},
        {L"filemender.exe /?", ProgramMode::Help},
        {L"filemender.exe -?", ProgramMode::Help},
        {L"\"C:\\t\\filemender.exe\" second_proc", ProgramMode::SecondPass},
        {L"filemender.exe -x Second_Proc -y", ProgramMode::SecondPass},
        // Not understood: an unknown word, two modes at once.
        {L"filemender.exe /nonsense", ProgramMode::NotUnderstood},
        {L"filemender.exe /scanonly extra", ProgramMode::NotUnderstood},
        {L"filemender.exe /repairs", ProgramMode::NotUnderstood},
        {L"filemender.exe /repair /undo", ProgramMode::NotUnderstood},
        {L"filemender.exe /scanonly /?", ProgramMode::NotUnderstood},
        {L"filemender.exe /repair second_proc", ProgramMode::NotUnderstood},
        // The program's own name is not an argument, whatever it is called.
        {L"/repair", ProgramMode::Window},
        {L"\"C:\\x /undo\\filemender.exe\"", ProgramMode::Window},
        {nullptr, ProgramMode::Window},
    };
    for (const Case& c : cases)
        EXPECT_EQ(ModeOfCommandLine(c.commandLine), c.mode)
            << (c.commandLine ? c.commandLine : L"(null)");

    // A scan, an undo and a start that explains or refuses tell nobody.
    EXPECT_TRUE(ModeSendsUsageReport(ProgramMode::Window));
    EXPECT_TRUE(ModeSendsUsageReport(ProgramMode::SecondPass));
    EXPECT_TRUE(ModeSendsUsageReport(ProgramMode::Repair));
    for (ProgramMode silent :
         {ProgramMode::ScanOnly, ProgramMode::Undo, ProgramMode::Help, ProgramMode::NotUnderstood})
        EXPECT_FALSE(ModeSendsUsageReport(silent));
}

TEST(SecondPass, CommandLineSwitch) {
    struct Case {
        const wchar_t* commandLine;
        bool secondPass;
    } cases[] = {
        {L"\"C:\\Program Files\\t\\filemender.exe\" second_proc", true},
        {L"filemender.exe SECOND_PROC", true},
        {L"filemender.exe -x Second_Proc -y", true},
        {L"filemender.exe second_proc2", true}, // a substring test, as Windows' own entry writes it
        {L"filemender.exe", false},
        {L"filemender.exe_second_proc", false}, // the blank is part of the switch
        {L"filemender.exe secondproc", false},
        {L"", false},
        {nullptr, false},
    };
    for (const Case& c : cases)
        EXPECT_EQ(IsSecondPassCommandLine(c.commandLine), c.secondPass)
            << (c.commandLine ? c.commandLine : L"(null)");
}

TEST(SecondPass, UnattendedProgramRunExitsZeroAndLogsOneBlock) {
    const std::wstring log = LogFilePath(false);
    DeleteFileW(log.c_str());
    const DWORD exitCode = RunAndWait(L"\"" + ProgramUnderTest() + L"\" SECOND_PROC", 120000);
    EXPECT_EQ(exitCode, 0u);
    EXPECT_EQ(log, L"C:\\ProgramData\\quillanTools\\Tools.log");
    const std::string block = ReadWholeFile(log);
    EXPECT_EQ(block.rfind("StartTime:", 0), 0u) << block;
    EXPECT_EQ(block.find("StartTime:", 1), std::string::npos);
    EXPECT_EQ(block.substr(block.size() - 75), "\r\n" + std::string(69, '=') + "\r\n\r\n");

    UniqueKey runOnce;
    std::wstring value;
    if (OpenKey(HKEY_LOCAL_MACHINE, L"Software\\Microsoft\\Windows\\CurrentVersion\\RunOnce",
                KEY_READ, runOnce) == ERROR_SUCCESS) {
        EXPECT_NE(ReadString(runOnce.get(), L"OrvixKillerTools", 1024, value), ERROR_SUCCESS);
    }
}

} // namespace
