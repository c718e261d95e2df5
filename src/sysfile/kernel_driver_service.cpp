#include "sysfile/kernel_driver_service.h"

#include <windows.h>
#include <winsvc.h>

#include "journal/change_journal.h"
#include "common/unique_resource.h"

bool InstallKernelDriverService(const std::wstring& name, const std::wstring& imagePath) {
    UniqueServiceHandle manager(OpenSCManagerW(nullptr, nullptr, SC_MANAGER_ALL_ACCESS));
    if (!manager)
        return false;
    UniqueServiceHandle service;
    const DWORD created =
        JournaledCreateService(manager.get(), name, name, SERVICE_ALL_ACCESS, SERVICE_KERNEL_DRIVER,
                               SERVICE_DEMAND_START, SERVICE_ERROR_NORMAL, imagePath, service);
    if (created != ERROR_SUCCESS) {
        if (created != ERROR_SERVICE_EXISTS)
            return false;
        service.reset(OpenServiceW(manager.get(), name.c_str(), SERVICE_ALL_ACCESS));
        if (!service)
            return false;
    }
    return StartServiceW(service.get(), 0, nullptr) ||
           GetLastError() == ERROR_SERVICE_ALREADY_RUNNING;
}
