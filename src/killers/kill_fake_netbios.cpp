#include "killers/kill_fake_netbios.h"

#include <windows.h>

#include <string>

#include "common/registry.h"
#include "common/system_directories.h"
#include "common/unique_resource.h"
#include "killers/fake_netbios_changes.h"
#include "killers/image_path_marker.h"

namespace {

constexpr size_t kImagePathChars = 512;

// Empty when the system directory cannot be read.
std::wstring DriverPath() {
    const std::wstring systemDirectory = SystemDirectoryWithSlash();
    return systemDirectory.empty() ? std::wstring() : systemDirectory + L"drivers\\netbios.sys";
}

bool DriverIsLocked() {
    const std::wstring driver = DriverPath();
    if (driver.empty() || GetFileAttributesW(driver.c_str()) == INVALID_FILE_ATTRIBUTES)
        return false;
    UniqueFile file(CreateFileW(driver.c_str(), GENERIC_READ, FILE_SHARE_READ, nullptr,
                                OPEN_EXISTING, 0, nullptr));
    return !file;
}

struct ImagePath {
    std::wstring text;
    DWORD type = REG_SZ;
};

// A value that is there but cannot be read (too long for the buffer, not a
// string) is never rewritten: the text written back would lose the path.
// A missing value reads as empty, as the service loader treats it.
bool ReadImagePath(HKEY serviceKey, ImagePath& imagePath) {
    const LONG error =
        ReadString(serviceKey, kImagePathValue, kImagePathChars, imagePath.text, imagePath.type);
    if (error == ERROR_FILE_NOT_FOUND) {
        imagePath = ImagePath();
        return true;
    }
    return error == ERROR_SUCCESS;
}

// The value keeps its own type: a REG_EXPAND_SZ path turned into REG_SZ no
// longer expands, and the service could not load even a good driver again.
void RewriteImagePath(const ImagePath& before, const std::wstring& after) {
    if (after != before.text)
        (void)WriteNetBiosImagePath(after, before.type);
}

void MarkImagePath() {
    UniqueKey serviceKey;
    ImagePath imagePath;
    if (OpenKey(HKEY_LOCAL_MACHINE, kNetBiosServiceKey, KEY_ALL_ACCESS, serviceKey) !=
            ERROR_SUCCESS ||
        !ReadImagePath(serviceKey.get(), imagePath))
        return;
    RewriteImagePath(imagePath, WithImagePathMarker(imagePath.text));
}

void DeleteDriverAndUnmark() {
    UniqueKey serviceKey;
    if (OpenKey(HKEY_LOCAL_MACHINE, kNetBiosServiceKey, KEY_ALL_ACCESS, serviceKey) !=
        ERROR_SUCCESS)
        return;
    const std::wstring driver = DriverPath();
    if (!driver.empty())
        DeleteNetBiosDriver(driver);
    ImagePath imagePath;
    if (ReadImagePath(serviceKey.get(), imagePath))
        RewriteImagePath(imagePath, WithoutImagePathMarkers(imagePath.text));
}

} // namespace

int CKillFakeNetBios::Scan() {
    driverLocked = 0;
    markerFound = 0;
    if (DriverIsLocked()) {
        driverLocked = 1;
        return 1;
    }
    UniqueKey serviceKey;
    if (OpenKey(HKEY_LOCAL_MACHINE, kNetBiosServiceKey, KEY_ALL_ACCESS, serviceKey) !=
        ERROR_SUCCESS)
        return markerFound;
    ImagePath imagePath;
    if (ReadImagePath(serviceKey.get(), imagePath) && HasImagePathMarker(imagePath.text))
        markerFound = 1;
    return markerFound;
}

int CKillFakeNetBios::Repair() {
    if (driverLocked)
        MarkImagePath();
    if (markerFound)
        DeleteDriverAndUnmark();
    return 1;
}
