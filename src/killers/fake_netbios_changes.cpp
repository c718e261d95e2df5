#include "killers/fake_netbios_changes.h"

#include "common/registry.h"

const wchar_t kNetBiosServiceKey[] = L"SYSTEM\\CurrentControlSet\\Services\\NetBIOS";
const wchar_t kImagePathValue[] = L"ImagePath";

LONG WriteNetBiosImagePath(HKEY serviceKey, const std::wstring& imagePath, DWORD type) {
    return WriteString(serviceKey, kImagePathValue, imagePath, type);
}

bool DeleteNetBiosDriver(const std::wstring& driverPath) {
    return DeleteFileW(driverPath.c_str()) != FALSE;
}
