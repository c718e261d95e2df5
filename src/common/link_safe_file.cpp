#include "common/link_safe_file.h"

#include <algorithm>
#include <vector>

#include "common/later_windows.h"
#include "common/proc_address.h"

namespace {

constexpr wchar_t kLocalDevicePrefix[] = L"\\\\?\\";
constexpr wchar_t kLocalDeviceUncPrefix[] = L"\\\\?\\UNC\\";
constexpr DWORD kLinkSafe = FILE_ATTRIBUTE_NORMAL | FILE_FLAG_OPEN_REPARSE_POINT;

std::wstring WithoutDevicePrefix(const std::wstring& path) {
    if (path.compare(0, 8, kLocalDeviceUncPrefix) == 0)
        return L"\\\\" + path.substr(8);
    if (path.compare(0, 4, kLocalDevicePrefix) == 0)
        return path.substr(4);
    return path;
}

std::wstring UpperCase(std::wstring text) {
    if (!text.empty())
        CharUpperBuffW(text.data(), static_cast<DWORD>(text.size()));
    return text;
}

// The long form of PATH, so that an 8.3 name compares equal to the name the
// handle reports; PATH itself when there is none.
std::wstring LongPathOf(const std::wstring& path) {
    std::vector<wchar_t> buffer(32768, L'\0');
    const DWORD length =
        GetLongPathNameW(path.c_str(), buffer.data(), static_cast<DWORD>(buffer.size()));
    if (length == 0 || length >= buffer.size())
        return path;
    return std::wstring(buffer.data(), length);
}

// The native call behind SetFileInformationByHandle, which Windows XP lacks.
struct IoStatus {
    union {
        LONG status;
        void* pointer;
    };
    ULONG_PTR information;
};
using SetInformationFileFn = LONG(NTAPI*)(HANDLE, IoStatus*, void*, ULONG, int);
constexpr int kFileDispositionInformation = 13;
constexpr int kFileRenameInformation = 10;
constexpr int kFileBasicInformation = 4;

// FILE_BASIC_INFORMATION: times left zero are left as they are.
struct BasicInformation {
    LARGE_INTEGER creationTime;
    LARGE_INTEGER lastAccessTime;
    LARGE_INTEGER lastWriteTime;
    LARGE_INTEGER changeTime;
    ULONG fileAttributes;
};

// FILE_RENAME_INFORMATION, with the name's characters following it.
struct RenameInformation {
    BOOLEAN replaceIfExists;
    HANDLE rootDirectory;
    ULONG fileNameLength;
    WCHAR fileName[1];
};

SetInformationFileFn SetInformationFile() {
    static const auto setInformation =
        ProcAddress<SetInformationFileFn>(GetModuleHandleW(L"ntdll.dll"), "NtSetInformationFile");
    return setInformation;
}

} // namespace

std::wstring FinalPathOf(HANDLE handle) {
    const auto finalPath = later_windows::GetFinalPathNameByHandleW();
    if (!finalPath)
        return {};
    std::vector<wchar_t> buffer(32768, L'\0');
    const DWORD length = finalPath(handle, buffer.data(), static_cast<DWORD>(buffer.size()), 0);
    if (length == 0 || length >= buffer.size())
        return {};
    return WithoutDevicePrefix(std::wstring(buffer.data(), length));
}

bool SamePath(const std::wstring& first, const std::wstring& second) {
    return UpperCase(WithoutDevicePrefix(first)) == UpperCase(WithoutDevicePrefix(second));
}

bool NoReparsePointAlong(const std::wstring& path) {
    const std::wstring plain = WithoutDevicePrefix(path);
    // Every folder from the one below the drive's root on, then the name itself.
    for (size_t from = 3;;) {
        const size_t slash = plain.find(L'\\', from);
        const std::wstring part = plain.substr(0, slash);
        if (part.size() > 3) {
            const DWORD attributes = GetFileAttributesW(part.c_str());
            if (attributes == INVALID_FILE_ATTRIBUTES ||
                (attributes & FILE_ATTRIBUTE_REPARSE_POINT))
                return false;
        }
        if (slash == std::wstring::npos)
            return true;
        from = slash + 1;
    }
}

bool HandleIsAt(HANDLE handle, const std::wstring& path) {
    const std::wstring final = FinalPathOf(handle);
    if (final.empty())
        return NoReparsePointAlong(path);
    return SamePath(final, path) || SamePath(final, LongPathOf(path));
}

bool IsSingleNamePlainFile(HANDLE handle) {
    BY_HANDLE_FILE_INFORMATION info = {};
    if (!GetFileInformationByHandle(handle, &info))
        return false;
    return !(info.dwFileAttributes & (FILE_ATTRIBUTE_DIRECTORY | FILE_ATTRIBUTE_REPARSE_POINT)) &&
           info.nNumberOfLinks == 1;
}

UniqueFile OpenOwnFileForAppend(const std::wstring& path) {
    const DWORD access = GENERIC_WRITE | FILE_READ_ATTRIBUTES;
    // Shared with readers: one that holds the file open must not keep the
    // run from writing.
    const DWORD share = FILE_SHARE_READ | FILE_SHARE_WRITE;
    UniqueFile file(
        CreateFileW(path.c_str(), access, share, nullptr, OPEN_EXISTING, kLinkSafe, nullptr));
    if (!file && GetLastError() == ERROR_FILE_NOT_FOUND)
        file.reset(
            CreateFileW(path.c_str(), access, share, nullptr, CREATE_NEW, kLinkSafe, nullptr));
    if (!file || !IsSingleNamePlainFile(file.get()) || !HandleIsAt(file.get(), path))
        return {};
    return file;
}

UniqueFile CreateOwnFile(const std::wstring& path, SECURITY_ATTRIBUTES* security) {
    // An earlier file goes only when it is a plain file of its own: deleting
    // a name can reach the file a link there names.
    UniqueFile earlier(CreateFileW(path.c_str(), DELETE | FILE_READ_ATTRIBUTES,
                                   FILE_SHARE_READ | FILE_SHARE_WRITE | FILE_SHARE_DELETE, nullptr,
                                   OPEN_EXISTING, kLinkSafe, nullptr));
    if (earlier) {
        if (!IsSingleNamePlainFile(earlier.get()) || !HandleIsAt(earlier.get(), path) ||
            !DeleteByHandle(earlier.get()))
            return {};
        earlier.reset();
    }
    // A new file only: whatever still holds the name (a file in use, a
    // dangling link) makes the creation fail rather than be followed.
    UniqueFile file(CreateFileW(path.c_str(), GENERIC_READ | GENERIC_WRITE | DELETE, 0, security,
                                CREATE_NEW, kLinkSafe, nullptr));
    if (!file || !IsSingleNamePlainFile(file.get()) || !HandleIsAt(file.get(), path))
        return {};
    return file;
}

std::wstring ParentFolderOf(const std::wstring& path) {
    const size_t slash = path.find_last_of(L'\\');
    if (slash == std::wstring::npos)
        return {};
    std::wstring folder = path.substr(0, slash);
    if (!folder.empty() && folder.back() == L':')
        folder += L'\\';
    return folder;
}

UniqueFile OpenFolderWithoutLinks(const std::wstring& folder) {
    UniqueFile handle(
        CreateFileW(folder.c_str(), FILE_LIST_DIRECTORY | FILE_TRAVERSE | FILE_READ_ATTRIBUTES,
                    FILE_SHARE_READ | FILE_SHARE_WRITE | FILE_SHARE_DELETE, nullptr, OPEN_EXISTING,
                    FILE_FLAG_BACKUP_SEMANTICS | FILE_FLAG_OPEN_REPARSE_POINT, nullptr));
    BY_HANDLE_FILE_INFORMATION info = {};
    if (!handle || !GetFileInformationByHandle(handle.get(), &info) ||
        !(info.dwFileAttributes & FILE_ATTRIBUTE_DIRECTORY) ||
        (info.dwFileAttributes & FILE_ATTRIBUTE_REPARSE_POINT) || !HandleIsAt(handle.get(), folder))
        return {};
    return handle;
}

LinkFreeOpen OpenWithoutLinks(const std::wstring& path, DWORD access, DWORD share,
                              UniqueFile& file) {
    file.reset(CreateFileW(path.c_str(), access | FILE_READ_ATTRIBUTES, share, nullptr,
                           OPEN_EXISTING, kLinkSafe, nullptr));
    if (!file) {
        const DWORD error = GetLastError();
        if (error == ERROR_PATH_NOT_FOUND)
            return LinkFreeOpen::Absent;
        if (error != ERROR_FILE_NOT_FOUND)
            return LinkFreeOpen::Failed;
        // Nothing there yet: what is made there lands in the folder, which
        // must be the folder its path names.
        return OpenFolderWithoutLinks(ParentFolderOf(path)) ? LinkFreeOpen::Absent
                                                            : LinkFreeOpen::Linked;
    }
    BY_HANDLE_FILE_INFORMATION info = {};
    if (!GetFileInformationByHandle(file.get(), &info)) {
        file.reset();
        return LinkFreeOpen::Failed;
    }
    if ((info.dwFileAttributes & (FILE_ATTRIBUTE_DIRECTORY | FILE_ATTRIBUTE_REPARSE_POINT)) ||
        !HandleIsAt(file.get(), path)) {
        file.reset();
        return LinkFreeOpen::Linked;
    }
    return LinkFreeOpen::Opened;
}

bool RenameByHandle(HANDLE handle, HANDLE folder, const std::wstring& name, bool replace) {
    const SetInformationFileFn setInformation = SetInformationFile();
    if (!setInformation || name.empty() || name.find(L'\\') != std::wstring::npos)
        return false;
    const size_t nameBytes = name.size() * sizeof(wchar_t);
    std::vector<unsigned char> buffer(sizeof(RenameInformation) + nameBytes, 0);
    auto* information = reinterpret_cast<RenameInformation*>(buffer.data());
    information->replaceIfExists = replace ? TRUE : FALSE;
    information->rootDirectory = folder;
    information->fileNameLength = static_cast<ULONG>(nameBytes);
    std::copy(name.begin(), name.end(), information->fileName);
    IoStatus status = {};
    const LONG result = setInformation(handle, &status, information,
                                       static_cast<ULONG>(buffer.size()), kFileRenameInformation);
    if (result < 0)
        SetLastError(ERROR_ACCESS_DENIED);
    return result >= 0;
}

bool SetAttributesByHandle(HANDLE handle, DWORD attributes) {
    const SetInformationFileFn setInformation = SetInformationFile();
    if (!setInformation)
        return false;
    BasicInformation information = {};
    information.fileAttributes = attributes == 0 ? FILE_ATTRIBUTE_NORMAL : attributes;
    IoStatus status = {};
    return setInformation(handle, &status, &information, sizeof(information),
                          kFileBasicInformation) >= 0;
}

bool DeleteByHandle(HANDLE handle) {
    const SetInformationFileFn setInformation = SetInformationFile();
    if (!setInformation)
        return false;
    IoStatus status = {};
    BOOLEAN deleteFile = TRUE;
    return setInformation(handle, &status, &deleteFile, sizeof(deleteFile),
                          kFileDispositionInformation) >= 0;
}
