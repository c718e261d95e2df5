#include "killers/leftover_aside_copy.h"

#include <windows.h>

#include <cstdint>
#include <optional>
#include <string>

#include "common/link_safe_file.h"
#include "common/unique_resource.h"
#include "journal/change_journal.h"
#include "killers/infection_stub.h"
#include "killers/pe_view.h"

namespace {

// As the cleaner reads companion DLLs: a larger file is none of them.
constexpr LONGLONG kLargestAsideCopy = 0xA00000;

// Opened so that nobody may write, rename or delete it while it is judged.
UniqueFile OpenAside(const std::wstring& path, DWORD access) {
    UniqueFile file(CreateFileW(path.c_str(), access, FILE_SHARE_READ, nullptr, OPEN_EXISTING,
                                FILE_FLAG_OPEN_REPARSE_POINT, nullptr));
    if (!file || !IsSingleNamePlainFile(file.get()) || !HandleIsAt(file.get(), path))
        return {};
    return file;
}

// The content of FILE when it carries the trojan's stub.
std::optional<std::string> InfectedContent(HANDLE file) {
    LARGE_INTEGER size = {};
    if (!GetFileSizeEx(file, &size) || size.QuadPart <= 0 || size.QuadPart >= kLargestAsideCopy)
        return std::nullopt;
    std::string content(static_cast<size_t>(size.QuadPart), '\0');
    DWORD got = 0;
    if (!ReadFile(file, content.data(), static_cast<DWORD>(content.size()), &got, nullptr) ||
        got != content.size())
        return std::nullopt;
    // The view may write into what it reads: it gets a copy.
    std::string image = content;
    PeView view;
    InfectionCleanup cleanup;
    if (!view.Attach(reinterpret_cast<uint8_t*>(image.data()),
                     static_cast<uint32_t>(image.size())) ||
        !FindInfection(view, cleanup))
        return std::nullopt;
    return content;
}

} // namespace

std::wstring AsideCopyPath(const std::wstring& dllPath) {
    return dllPath + L".tmp3";
}

bool IsLeftoverAsideCopy(const std::wstring& asidePath) {
    const UniqueFile file = OpenAside(asidePath, GENERIC_READ);
    return file && InfectedContent(file.get()).has_value();
}

bool RemoveLeftoverAsideCopy(const std::wstring& asidePath) {
    const UniqueFile file = OpenAside(asidePath, GENERIC_READ | DELETE);
    if (!file)
        return false;
    const std::optional<std::string> content = InfectedContent(file.get());
    BY_HANDLE_FILE_INFORMATION info = {};
    return content && GetFileInformationByHandle(file.get(), &info) &&
           RecordFileDeletion(asidePath, content->data(), content->size(), info.dwFileAttributes) &&
           DeleteByHandle(file.get());
}
