#include "sysfile/run_digests.h"

#include <windows.h>

#include <map>
#include <optional>

#include "common/file_digest.h"
#include "common/unique_resource.h"

namespace {

// What must stay the same for a remembered digest to hold.
struct FileIdentity {
    DWORD volume = 0;
    DWORD indexHigh = 0, indexLow = 0;
    DWORD sizeHigh = 0, sizeLow = 0;
    FILETIME created = {}, written = {};

    bool operator==(const FileIdentity& other) const {
        return volume == other.volume && indexHigh == other.indexHigh &&
               indexLow == other.indexLow && sizeHigh == other.sizeHigh &&
               sizeLow == other.sizeLow && CompareFileTime(&created, &other.created) == 0 &&
               CompareFileTime(&written, &other.written) == 0;
    }
};

struct Remembered {
    FileIdentity identity;
    Digest digest = {};
};

// Keyed by the path in lower case. Touched by the run's thread only; the
// prefetch's helper thread works on slots of its own.
std::map<std::wstring, Remembered>& TheRunDigests() {
    static std::map<std::wstring, Remembered> digests;
    return digests;
}

std::wstring KeyOf(const std::wstring& path) {
    std::wstring key = path;
    if (!key.empty())
        CharLowerBuffW(key.data(), static_cast<DWORD>(key.size()));
    return key;
}

UniqueFile OpenForDigest(const std::wstring& path) {
    return UniqueFile(CreateFileW(path.c_str(), GENERIC_READ, FILE_SHARE_READ | FILE_SHARE_WRITE,
                                  nullptr, OPEN_EXISTING, FILE_FLAG_SEQUENTIAL_SCAN, nullptr));
}

std::optional<FileIdentity> IdentityOf(HANDLE file) {
    BY_HANDLE_FILE_INFORMATION info = {};
    if (!GetFileInformationByHandle(file, &info))
        return std::nullopt;
    FileIdentity identity;
    identity.volume = info.dwVolumeSerialNumber;
    identity.indexHigh = info.nFileIndexHigh;
    identity.indexLow = info.nFileIndexLow;
    identity.sizeHigh = info.nFileSizeHigh;
    identity.sizeLow = info.nFileSizeLow;
    identity.created = info.ftCreationTime;
    identity.written = info.ftLastWriteTime;
    return identity;
}

// Identity and digest from one handle, so that both are of the same file.
std::optional<Remembered> Hash(const std::wstring& path) {
    const UniqueFile file = OpenForDigest(path);
    if (!file)
        return std::nullopt;
    const std::optional<FileIdentity> identity = IdentityOf(file.get());
    Remembered remembered;
    if (!identity || !DigestOfOpenFile(file.get(), remembered.digest))
        return std::nullopt;
    remembered.identity = *identity;
    return remembered;
}

// The files of one prefetch and their results, shared with the helper thread.
struct PrefetchWork {
    const std::vector<std::wstring>* paths = nullptr;
    std::vector<std::optional<Remembered>> results;
    volatile LONG next = 0;

    void HashUntilDone() {
        for (;;) {
            const LONG at = InterlockedIncrement(&next) - 1;
            if (at < 0 || static_cast<size_t>(at) >= paths->size())
                return;
            try {
                results[static_cast<size_t>(at)] = Hash((*paths)[static_cast<size_t>(at)]);
            } catch (...) {
                // No memory for the buffer: that file is hashed later, when asked for.
            }
        }
    }
};

DWORD WINAPI PrefetchHelper(void* work) {
    static_cast<PrefetchWork*>(work)->HashUntilDone();
    return 0;
}

unsigned ProcessorCount() {
    SYSTEM_INFO info = {};
    GetSystemInfo(&info);
    return info.dwNumberOfProcessors;
}

} // namespace

void ForgetRunDigests() {
    TheRunDigests().clear();
}

bool RunDigestOf(const std::wstring& path, Digest& digest) {
    const UniqueFile file = OpenForDigest(path);
    if (!file)
        return false;
    const std::optional<FileIdentity> identity = IdentityOf(file.get());
    if (!identity)
        return DigestOfOpenFile(file.get(), digest);
    const std::wstring key = KeyOf(path);
    auto& digests = TheRunDigests();
    const auto known = digests.find(key);
    if (known != digests.end() && known->second.identity == *identity) {
        digest = known->second.digest;
        return true;
    }
    Remembered remembered;
    remembered.identity = *identity;
    if (!DigestOfOpenFile(file.get(), remembered.digest))
        return false;
    digest = remembered.digest;
    digests[key] = remembered;
    return true;
}

void PrefetchRunDigests(const std::vector<std::wstring>& paths) {
    auto& digests = TheRunDigests();
    std::vector<std::wstring> missing;
    for (const std::wstring& path : paths)
        if (digests.find(KeyOf(path)) == digests.end())
            missing.push_back(path);
    if (missing.empty())
        return;
    PrefetchWork work;
    work.paths = &missing;
    work.results.resize(missing.size());
    // One helper beside this thread: both cores, no more threads than files.
    UniqueHandle helper;
    if (missing.size() > 1 && ProcessorCount() > 1)
        helper.reset(CreateThread(nullptr, 64 * 1024, PrefetchHelper, &work,
                                  STACK_SIZE_PARAM_IS_A_RESERVATION, nullptr));
    work.HashUntilDone();
    if (helper)
        WaitForSingleObject(helper.get(), INFINITE);
    for (size_t i = 0; i < missing.size(); ++i)
        if (work.results[i])
            digests[KeyOf(missing[i])] = *work.results[i];
}
