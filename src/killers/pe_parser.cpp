#include "killers/pe_parser.h"

#include <windows.h>

#include "common/unique_resource.h"

namespace {

constexpr LONGLONG kMaxFileSize = 0x3200000; // 50 MiB

} // namespace

CPEParser::~CPEParser() {
    Release();
}

void CPEParser::Release() {
    if (image_ != nullptr)
        VirtualFree(image_, 0, MEM_RELEASE);
    image_ = nullptr;
    view_ = PeView();
}

bool CPEParser::Load(const wchar_t* path) {
    Release();
    UniqueFile file(CreateFileW(path, GENERIC_READ, FILE_SHARE_READ, nullptr, OPEN_EXISTING,
                                FILE_ATTRIBUTE_NORMAL, nullptr));
    if (!file)
        return false;
    LARGE_INTEGER size = {};
    if (!GetFileSizeEx(file.get(), &size) || size.QuadPart <= 0 || size.QuadPart >= kMaxFileSize)
        return false;
    const DWORD length = static_cast<DWORD>(size.QuadPart);
    image_ = static_cast<uint8_t*>(
        VirtualAlloc(nullptr, length, MEM_RESERVE | MEM_COMMIT, PAGE_READWRITE));
    if (image_ == nullptr)
        return false;
    DWORD got = 0;
    if (!ReadFile(file.get(), image_, length, &got, nullptr) || got != length ||
        !view_.Attach(image_, length)) {
        Release();
        return false;
    }
    return true;
}
