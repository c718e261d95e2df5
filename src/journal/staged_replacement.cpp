#include "journal/staged_replacement.h"

#include <cwchar>

#include "common/link_safe_file.h"
#include "common/proc_address.h"

namespace {

constexpr int kStagingAttempts = 16;

// RtlGenRandom, exported by advapi32 on every supported Windows.
using GenRandomFn = BOOLEAN(WINAPI*)(PVOID, ULONG);

unsigned long long UnpredictableNumber() {
    static const auto genRandom =
        ProcAddress<GenRandomFn>(GetModuleHandleW(L"advapi32.dll"), "SystemFunction036");
    unsigned long long number = 0;
    if (genRandom && genRandom(&number, sizeof(number)))
        return number;
    // Only a name taken by someone else costs a retry: the file is created new.
    LARGE_INTEGER counter = {};
    QueryPerformanceCounter(&counter);
    static unsigned long long calls = 0;
    return static_cast<unsigned long long>(counter.QuadPart) * 6364136223846793005ull ^
           (static_cast<unsigned long long>(GetCurrentProcessId()) << 32) ^ GetTickCount() ^
           ++calls;
}

std::wstring StagingName(const std::wstring& targetName) {
    wchar_t suffix[24] = {};
    std::swprintf(suffix, 24, L".%016llx.new", UnpredictableNumber());
    return targetName + suffix;
}

} // namespace

StagedReplacement::StagedReplacement(const std::wstring& target) {
    const std::wstring folder = ParentFolderOf(target);
    if (folder.empty())
        return;
    targetName_ = target.substr(target.find_last_of(L'\\') + 1);
    folder_ = OpenFolderWithoutLinks(folder);
    if (!folder_ || targetName_.empty())
        return;
    const std::wstring prefix = folder.back() == L'\\' ? folder : folder + L"\\";
    for (int attempt = 0; attempt < kStagingAttempts; ++attempt) {
        const std::wstring staging = prefix + StagingName(targetName_);
        UniqueFile file(CreateFileW(staging.c_str(), GENERIC_WRITE | DELETE | FILE_READ_ATTRIBUTES,
                                    0, nullptr, CREATE_NEW,
                                    FILE_ATTRIBUTE_NORMAL | FILE_FLAG_OPEN_REPARSE_POINT, nullptr));
        if (!file) {
            if (GetLastError() == ERROR_FILE_EXISTS || GetLastError() == ERROR_ALREADY_EXISTS)
                continue;
            return;
        }
        if (!IsSingleNamePlainFile(file.get()) || !HandleIsAt(file.get(), staging)) {
            DeleteByHandle(file.get());
            return;
        }
        file_ = std::move(file);
        return;
    }
}

StagedReplacement::~StagedReplacement() {
    if (file_)
        DeleteByHandle(file_.get());
}

bool StagedReplacement::Write(const void* bytes, size_t size) {
    const auto* next = static_cast<const char*>(bytes);
    while (file_ && size > 0) {
        const DWORD piece = size > (1u << 30) ? (1u << 30) : static_cast<DWORD>(size);
        DWORD written = 0;
        if (!WriteFile(file_.get(), next, piece, &written, nullptr) || written != piece)
            return false;
        next += piece;
        size -= piece;
    }
    return static_cast<bool>(file_);
}

bool StagedReplacement::Commit() {
    if (!file_ || !FlushFileBuffers(file_.get()) ||
        !RenameByHandle(file_.get(), folder_.get(), targetName_, true))
        return false;
    file_.reset();
    return true;
}
