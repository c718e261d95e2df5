#include "killers/fake_netbios_changes.h"

#include "common/link_safe_file.h"
#include "journal/change_journal.h"

const wchar_t kNetBiosServiceKey[] = L"SYSTEM\\CurrentControlSet\\Services\\NetBIOS";
const wchar_t kImagePathValue[] = L"ImagePath";

LONG WriteNetBiosImagePath(const std::wstring& imagePath, DWORD type) {
    if (type != REG_SZ && type != REG_EXPAND_SZ)
        return ERROR_INVALID_PARAMETER;
    // The text was read into a buffer of a few hundred characters: its size fits.
    return JournaledSetValue({HKEY_LOCAL_MACHINE, kNetBiosServiceKey}, kImagePathValue, type,
                             imagePath.c_str(),
                             static_cast<DWORD>((imagePath.size() + 1) * sizeof(wchar_t)));
}

bool DeleteNetBiosDriver(const std::wstring& driverPath, HANDLE driver, const std::string& content,
                         DWORD attributes) {
    return RecordFileDeletion(driverPath, content.data(), content.size(), attributes) &&
           DeleteByHandle(driver);
}
