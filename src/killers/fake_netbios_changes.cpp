#include "killers/fake_netbios_changes.h"

#include "common/registry.h"
#include "common/unique_resource.h"

const wchar_t kNetBiosServiceKey[] = L"SYSTEM\\CurrentControlSet\\Services\\NetBIOS";
const wchar_t kImagePathValue[] = L"ImagePath";

LONG WriteNetBiosImagePath(const std::wstring& imagePath, DWORD type) {
    UniqueKey serviceKey;
    const LONG error = OpenKey(HKEY_LOCAL_MACHINE, kNetBiosServiceKey, KEY_SET_VALUE, serviceKey);
    return error == ERROR_SUCCESS ? WriteString(serviceKey.get(), kImagePathValue, imagePath, type)
                                  : error;
}

bool DeleteNetBiosDriver(const std::wstring& driverPath) {
    return DeleteFileW(driverPath.c_str()) != FALSE;
}
