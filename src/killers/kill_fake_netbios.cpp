#include "killers/kill_fake_netbios.h"

#include <windows.h>

#include <optional>
#include <string>

#include "app/run_log.h"
#include "common/file_content.h"
#include "common/md5.h"
#include "common/registry.h"
#include "common/system_directories.h"
#include "common/unique_resource.h"
#include "killers/checked_file.h"
#include "killers/fake_netbios_changes.h"
#include "killers/image_path_marker.h"
#include "killers/protected_system_file.h"

namespace {

constexpr size_t kImagePathChars = 512;
// Far above any driver; a larger file is not read, and so not removed.
constexpr LONGLONG kLargestDriver = 64ll << 20;
// Said in the log when the file behind a marked image path is the system's own.
constexpr char kDriverKeptLabel[] = "keep system driver\t";

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

// The system's own netbios.sys: a good copy the edition's index records, or
// one whose version resource names Microsoft as its maker. Any user may hold
// the genuine file open, which is all the first pass could see of it.
bool IsGenuineDriver(const std::wstring& driver, const std::string& content) {
    Digest digest;
    return (Md5Of(content.data(), content.size(), digest) && IsGoodCopyOfSystemFile(digest)) ||
           MadeByMicrosoft(driver);
}

// The driver file goes only when it is still the file that was judged: a
// plain file of one name, nobody writing it, no link on its way.
void RemoveFakeDriver(const std::wstring& driver) {
    std::optional<std::string> content;
    UniqueFile judged = OpenCheckedFile(driver, GENERIC_READ, FILE_SHARE_READ);
    if (!judged || !(content = ContentOfFile(judged.get(), kLargestDriver)))
        return;
    if (IsGenuineDriver(driver, *content)) {
        LogPathLine(kDriverKeptLabel, driver);
        return;
    }
    // Delete access could not be shared with the version reader: the file
    // is opened again and must be the one judged, with the same content.
    BY_HANDLE_FILE_INFORMATION judgedInfo = {};
    if (!GetFileInformationByHandle(judged.get(), &judgedInfo))
        return;
    judged.reset();
    UniqueFile file = OpenCheckedFile(driver, GENERIC_READ | DELETE, FILE_SHARE_READ);
    BY_HANDLE_FILE_INFORMATION info = {};
    if (!file || !GetFileInformationByHandle(file.get(), &info) ||
        info.dwVolumeSerialNumber != judgedInfo.dwVolumeSerialNumber ||
        info.nFileIndexHigh != judgedInfo.nFileIndexHigh ||
        info.nFileIndexLow != judgedInfo.nFileIndexLow ||
        ContentOfFile(file.get(), kLargestDriver) != content)
        return;
    (void)DeleteNetBiosDriver(driver, file.get(), *content, info.dwFileAttributes);
}

void DeleteDriverAndUnmark() {
    UniqueKey serviceKey;
    if (OpenKey(HKEY_LOCAL_MACHINE, kNetBiosServiceKey, KEY_ALL_ACCESS, serviceKey) !=
        ERROR_SUCCESS)
        return;
    const std::wstring driver = DriverPath();
    if (!driver.empty())
        RemoveFakeDriver(driver);
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
