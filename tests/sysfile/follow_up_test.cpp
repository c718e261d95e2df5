#include <gtest/gtest.h>

#include <windows.h>
#include <tlhelp32.h>

#include <string>

#include "app/run_flags.h"
#include "app/run_log.h"
#include "common/unique_resource.h"
#include "sysfile/mender_fixture.h"
#include "sysfile/system_file_replacement.h"
#include "support/test_files.h"

// A replaced input method program or shell is started again, and its log line
// names why before it names the file. The good copy is the idle helper,
// served as edition "test", so starting it does nothing.
namespace {

class FollowUp : public MenderFixture {};

// Ends every process whose program is PATH; how many there were.
int EndProcessesOf(const std::wstring& path) {
    int found = 0;
    UniqueHandle processes(CreateToolhelp32Snapshot(TH32CS_SNAPPROCESS, 0));
    PROCESSENTRY32W process = {};
    process.dwSize = sizeof(process);
    for (BOOL more = Process32FirstW(processes.get(), &process); more;
         more = Process32NextW(processes.get(), &process)) {
        UniqueHandle modules(CreateToolhelp32Snapshot(TH32CS_SNAPMODULE, process.th32ProcessID));
        MODULEENTRY32W module = {};
        module.dwSize = sizeof(module);
        if (!modules || !Module32FirstW(modules.get(), &module) ||
            lstrcmpiW(module.szExePath, path.c_str()) != 0)
            continue;
        ++found;
        UniqueHandle handle(OpenProcess(PROCESS_TERMINATE, FALSE, process.th32ProcessID));
        if (handle)
            TerminateProcess(handle.get(), 0);
    }
    return found;
}

int WaitAndEndProcessesOf(const std::wstring& path) {
    for (int attempt = 0; attempt < 100; ++attempt) {
        if (const int found = EndProcessesOf(path))
            return found;
        Sleep(50);
    }
    return 0;
}

struct FollowUpCase {
    const wchar_t* target;
    const char* label;
};

const FollowUpCase kCases[] = {
    {L"C:\\FollowUp\\ctfmon.exe", kMissingInputMethodLabel},
    {L"C:\\FollowUp\\conime.exe", kMissingInputMethodLabel},
    {L"C:\\FollowUp\\explorer.exe", kDesktopIconsRepairedLabel},
};

TEST_F(FollowUp, ProgramIsStartedAndItsLineNamesWhy) {
    MakeFolder(L"C:\\FollowUp");
    const std::string program = ReadWholeFile(L"C:\\tools\\idle_process.exe");
    ASSERT_FALSE(program.empty());
    const std::wstring digest = ServeTestFile(program);
    for (const FollowUpCase& c : kCases) {
        SCOPED_TRACE(c.label);
        TheRunLog().Assign(nullptr);

        ReplaceSystemFiles(L"test", {{c.target, digest}});

        EXPECT_TRUE(ReadWholeFile(c.target) == program);
        EXPECT_EQ(TheRunLog().Text(), c.label + FileRepairedLine(c.target));
        EXPECT_EQ(WaitAndEndProcessesOf(c.target), 1) << "not started";
    }
}

// In use, the program is replaced only at the next start: until then the
// file is the old one, flagged as damaged, and is not started.
TEST_F(FollowUp, ProgramWaitingForTheRestartIsNotStarted) {
    MakeFolder(L"C:\\FollowUpLater");
    const std::wstring target = L"C:\\FollowUpLater\\ctfmon.exe";
    const std::string program = ReadWholeFile(L"C:\\tools\\idle_process.exe");
    ASSERT_FALSE(program.empty());
    ASSERT_TRUE(WriteWholeFile(target, program));
    const std::wstring digest = ServeTestFile(program + "good copy");
    {
        UniqueFile inUse(CreateFileW(target.c_str(), GENERIC_READ,
                                     FILE_SHARE_READ | FILE_SHARE_WRITE, nullptr, OPEN_EXISTING, 0,
                                     nullptr));
        ASSERT_TRUE(inUse);
        ReplaceSystemFiles(L"test", {{target, digest}});
        EXPECT_EQ(WaitAndEndProcessesOf(target), 0) << "the old program was started";
    }
    EXPECT_EQ(TheRunFlags().restartRequired, 1);
    EXPECT_EQ(TheRunLog().Text(), kMissingInputMethodLabel + FileRepairedLine(target));
}

} // namespace
