#include <gtest/gtest.h>

#include <windows.h>
#include <winsvc.h>

#include <string>
#include <vector>

#include "app/run_log.h"
#include "common/unique_resource.h"
#include "sysfile/kernel_driver_service.h"
#include "sysfile/mender_fixture.h"
#include "sysfile/system_file_replacement.h"
#include "support/test_files.h"

// A replaced file in a "drivers" folder becomes an on-demand kernel driver
// service named after the file. Runs in a prefix of its own: the service
// stays registered.
namespace {

class DriverReplacement : public MenderFixture {};

struct ServiceFacts {
    bool exists = false;
    DWORD type = 0;
    DWORD start = 0;
    DWORD errorControl = 0;
    std::wstring imagePath;
    std::wstring displayName;
    DWORD state = 0;
};

ServiceFacts QueryService(const wchar_t* name) {
    ServiceFacts facts;
    UniqueServiceHandle manager(OpenSCManagerW(nullptr, nullptr, SC_MANAGER_CONNECT));
    if (!manager)
        return facts;
    UniqueServiceHandle service(
        OpenServiceW(manager.get(), name, SERVICE_QUERY_CONFIG | SERVICE_QUERY_STATUS));
    if (!service)
        return facts;
    facts.exists = true;
    DWORD needed = 0;
    QueryServiceConfigW(service.get(), nullptr, 0, &needed);
    std::vector<unsigned char> buffer(needed);
    auto* config = reinterpret_cast<QUERY_SERVICE_CONFIGW*>(buffer.data());
    if (needed && QueryServiceConfigW(service.get(), config, needed, &needed)) {
        facts.type = config->dwServiceType;
        facts.start = config->dwStartType;
        facts.errorControl = config->dwErrorControl;
        facts.imagePath = config->lpBinaryPathName ? config->lpBinaryPathName : L"";
        facts.displayName = config->lpDisplayName ? config->lpDisplayName : L"";
    }
    SERVICE_STATUS status = {};
    if (QueryServiceStatus(service.get(), &status))
        facts.state = status.dwCurrentState;
    return facts;
}

// Stops the service and renames it, so that a later registration would show.
bool StopAndRename(const wchar_t* name, const wchar_t* displayName) {
    UniqueServiceHandle manager(OpenSCManagerW(nullptr, nullptr, SC_MANAGER_ALL_ACCESS));
    UniqueServiceHandle service(manager ? OpenServiceW(manager.get(), name, SERVICE_ALL_ACCESS)
                                        : nullptr);
    SERVICE_STATUS status = {};
    if (!service || !ControlService(service.get(), SERVICE_CONTROL_STOP, &status))
        return false;
    for (int attempt = 0; attempt < 100 && status.dwCurrentState != SERVICE_STOPPED; ++attempt) {
        Sleep(50);
        QueryServiceStatus(service.get(), &status);
    }
    return status.dwCurrentState == SERVICE_STOPPED &&
           ChangeServiceConfigW(service.get(), SERVICE_NO_CHANGE, SERVICE_NO_CHANGE,
                                SERVICE_NO_CHANGE, nullptr, nullptr, nullptr, nullptr, nullptr,
                                nullptr, displayName);
}

TEST_F(DriverReplacement, DriverIsRegisteredOnceAndStartedOnEachReplacement) {
    const std::wstring target = SystemFile(L"drivers\\netbios.sys");
    ASSERT_FALSE(FileExists(target));
    ASSERT_FALSE(QueryService(L"netbios.sys").exists);
    const std::string goodCopy = ReadWholeFile(L"C:\\tools\\stub_driver.sys");
    ASSERT_FALSE(goodCopy.empty());
    const std::wstring digest = ServeTestFile(goodCopy);

    ReplaceSystemFiles(L"test", {{target, digest}});

    EXPECT_TRUE(ReadWholeFile(target) == goodCopy);
    EXPECT_EQ(TheRunLog().Text(), FileRepairedLine(target));
    const ServiceFacts created = QueryService(L"netbios.sys");
    ASSERT_TRUE(created.exists);
    EXPECT_EQ(created.type, static_cast<DWORD>(SERVICE_KERNEL_DRIVER));
    EXPECT_EQ(created.start, static_cast<DWORD>(SERVICE_DEMAND_START));
    EXPECT_EQ(created.errorControl, static_cast<DWORD>(SERVICE_ERROR_NORMAL));
    EXPECT_EQ(created.displayName, L"netbios.sys");
    EXPECT_EQ(created.imagePath, target);
    EXPECT_EQ(created.state, static_cast<DWORD>(SERVICE_RUNNING)) << "Wine loads the stub driver";

    // A second replacement finds the service and does not register it anew:
    // the display name set in between survives.
    ASSERT_TRUE(StopAndRename(L"netbios.sys", L"set in between"));
    ASSERT_TRUE(WriteWholeFile(target, "damaged again"));
    TheRunLog().Assign(nullptr);

    ReplaceSystemFiles(L"test", {{target, digest}});

    EXPECT_TRUE(ReadWholeFile(target) == goodCopy);
    EXPECT_EQ(TheRunLog().Text(), FileRepairedLine(target));
    const ServiceFacts again = QueryService(L"netbios.sys");
    EXPECT_EQ(again.displayName, L"set in between");
    EXPECT_EQ(again.imagePath, target);
    EXPECT_EQ(again.state, static_cast<DWORD>(SERVICE_RUNNING)) << "not started again";

    // A running driver counts as started.
    SetLastError(0xdeadbeef);
    EXPECT_TRUE(InstallKernelDriverService(L"netbios.sys", target));
    EXPECT_EQ(GetLastError(), static_cast<DWORD>(ERROR_SERVICE_ALREADY_RUNNING));
}

} // namespace
