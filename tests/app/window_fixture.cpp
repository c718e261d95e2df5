// The program's window over two slow repairs of the tests' own: each step
// rewrites one file in place, or one registry value by deleting and setting
// it, slowly enough for a stop to land in the middle of it. Stopping the
// thread from outside in such a step would leave the file cut short or the
// value missing. Usage: window_fixture.exe [step milliseconds | clean], where
// clean is a machine on which no module finds anything, no-admin a process
// without administrator rights.
#include <windows.h>

#include <cwchar>
#include <string>

#include "app/administrator_rights.h"
#include "app/module_kill_client.h"
#include "app/program.h"
#include "app/repair_run.h"
#include "app/stop_request.h"
#include "common/unique_resource.h"
#include "window_fixture_items.h"

namespace {

DWORD stepMs = 1000;

class SlowFileReplacement : public IModuleKillClientNull {
public:
    int Scan() override { return 1; }
    int Repair() override {
        for (int i = 0; i < kFixtureItems && !StopRequested(); ++i)
            RewriteInPlace(FixtureFile(i));
        return 1;
    }

private:
    static void RewriteInPlace(const std::wstring& path) {
        const UniqueFile file(CreateFileW(path.c_str(), GENERIC_WRITE, FILE_SHARE_READ, nullptr,
                                          TRUNCATE_EXISTING, FILE_ATTRIBUTE_NORMAL, nullptr));
        if (!file)
            return;
        const std::string content = kFixtureNewContent;
        for (size_t written = 0; written < content.size(); written += kFixtureChunk) {
            const std::string part = content.substr(written, kFixtureChunk);
            DWORD done = 0;
            WriteFile(file.get(), part.data(), static_cast<DWORD>(part.size()), &done, nullptr);
            Sleep(stepMs / kFixtureChunks);
        }
    }
};

class SlowRegistryRewrite : public IModuleKillClientNull {
public:
    int Scan() override { return 1; }
    int Repair() override {
        UniqueKey key;
        if (RegOpenKeyExW(HKEY_CURRENT_USER, kFixtureKey, 0, KEY_SET_VALUE, key.put()) !=
            ERROR_SUCCESS)
            return 1;
        for (int i = 0; i < kFixtureItems && !StopRequested(); ++i) {
            const std::wstring name = FixtureValueName(i);
            RegDeleteValueW(key.get(), name.c_str());
            Sleep(stepMs);
            RegSetValueExW(
                key.get(), name.c_str(), 0, REG_SZ, reinterpret_cast<const BYTE*>(kFixtureNewValue),
                static_cast<DWORD>((std::wcslen(kFixtureNewValue) + 1) * sizeof(wchar_t)));
        }
        return 1;
    }
};

class NothingToDo : public IModuleKillClientNull {};

int RunSlowRepairs(HWND dialog) {
    // In the two places whose findings ask for no second pass.
    return RunRepairWith<NothingToDo, SlowFileReplacement, NothingToDo, SlowRegistryRewrite>(
        dialog);
}

} // namespace

int RunOnCleanMachine(HWND dialog) {
    return RunRepairWith<NothingToDo, NothingToDo, NothingToDo, NothingToDo>(dialog);
}

int WINAPI wWinMain(HINSTANCE, HINSTANCE, wchar_t* commandLine, int) {
    if (commandLine && std::wcscmp(commandLine, L"clean") == 0)
        return RunProgram(RunOnCleanMachine);
    // Wine always runs programs as an administrator: the window as a limited
    // user meets it, over the slow repairs it must never start.
    if (commandLine && std::wcscmp(commandLine, L"no-admin") == 0) {
        PretendNoAdministratorRights();
        return RunProgram(RunSlowRepairs);
    }
    if (commandLine && *commandLine)
        stepMs = static_cast<DWORD>(std::wcstoul(commandLine, nullptr, 10));
    return RunProgram(RunSlowRepairs);
}
