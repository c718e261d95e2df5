#include "common/link_safe_file.h"

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
    UniqueFile file(CreateFileW(path.c_str(), access, FILE_SHARE_WRITE, nullptr, OPEN_EXISTING,
                                kLinkSafe, nullptr));
    if (!file && GetLastError() == ERROR_FILE_NOT_FOUND)
        file.reset(CreateFileW(path.c_str(), access, FILE_SHARE_WRITE, nullptr, CREATE_NEW,
                               kLinkSafe, nullptr));
    if (!file || !IsSingleNamePlainFile(file.get()) || !HandleIsAt(file.get(), path))
        return {};
    return file;
}

UniqueFile CreateOwnFile(const std::wstring& path) {
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
    UniqueFile file(CreateFileW(path.c_str(), GENERIC_READ | GENERIC_WRITE | DELETE, 0, nullptr,
                                CREATE_NEW, kLinkSafe, nullptr));
    if (!file || !IsSingleNamePlainFile(file.get()) || !HandleIsAt(file.get(), path))
        return {};
    return file;
}

bool DeleteByHandle(HANDLE handle) {
    static const auto setInformation =
        ProcAddress<SetInformationFileFn>(GetModuleHandleW(L"ntdll.dll"), "NtSetInformationFile");
    if (!setInformation)
        return false;
    IoStatus status = {};
    BOOLEAN deleteFile = TRUE;
    return setInformation(handle, &status, &deleteFile, sizeof(deleteFile),
                          kFileDispositionInformation) >= 0;
}
