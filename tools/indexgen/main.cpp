// Turns a reference installation (the Windows this runs on) into the data the
// program carries and serves for its edition:
//   OUT\indexes\<id>.idx       the system file index, 32-byte records
//   OUT\baselines\<id>.inc     the version baseline rows, as C++ source
//   SERVER\sysfiles2\files\<edition>\<digest>   the good copies to serve
// where <id> is the edition's index resource id (the edition key itself for
// an edition the program has no row for), so that a release build embeds
// OUT\indexes\214.idx as resource 214.
// Usage: indexgen OUT [SERVER]     (SERVER defaults to OUT)
#include <windows.h>

#include <algorithm>
#include <cstdio>
#include <cstring>
#include <string>
#include <vector>

#include "baseline_rows.h"
#include "common/narrow_text.h"
#include "common/system_directories.h"
#include "common/tool_folder.h"
#include "common/unique_resource.h"
#include "common/file_digest.h"
#include "sysfile/digest_text.h"
#include "sysfile/edition_key.h"
#include "sysfile/edition_table.h"
#include "sysfile/file_index.h"
#include "sysfile/file_version.h"
#include "sysfile/path_key.h"
#include "sysfile/system_file_lists.h"
#include "windows_tree.h"

namespace {

void Say(const char* label, const std::wstring& text) {
    std::printf("%s%s\n", label, ToNarrow(text).c_str());
}

bool WriteNewFile(const std::wstring& path, const void* bytes, size_t size) {
    UniqueFile file(CreateFileW(path.c_str(), GENERIC_WRITE, 0, nullptr, CREATE_ALWAYS,
                                FILE_ATTRIBUTE_NORMAL, nullptr));
    if (!file || size > MAXDWORD)
        return false;
    DWORD written = 0;
    return WriteFile(file.get(), bytes, static_cast<DWORD>(size), &written, nullptr) &&
           written == size;
}

// The good copy on the file server: a hard link where the file system allows
// one, a copy otherwise. A name that exists already holds the same content,
// since the name is the content's digest.
bool PlaceGoodCopy(const std::wstring& source, const std::wstring& target) {
    if (GetFileAttributesW(target.c_str()) != INVALID_FILE_ATTRIBUTES)
        return true;
    return CreateHardLinkW(target.c_str(), source.c_str(), nullptr) ||
           CopyFileW(source.c_str(), target.c_str(), TRUE);
}

bool KeyLess(const IndexRecord& a, const IndexRecord& b) {
    return std::memcmp(a.pathKey.data(), b.pathKey.data(), a.pathKey.size()) < 0;
}

bool WriteIndex(const std::wstring& path, const std::vector<IndexRecord>& records) {
    std::vector<unsigned char> bytes;
    bytes.reserve(records.size() * kIndexRecordSize);
    for (const IndexRecord& record : records) {
        bytes.insert(bytes.end(), record.pathKey.begin(), record.pathKey.end());
        bytes.insert(bytes.end(), record.goodDigest.begin(), record.goodDigest.end());
    }
    return WriteNewFile(path, bytes.data(), bytes.size());
}

// Indexes every file below the Windows directory and places its good copy in
// the edition's folder of the file server.
bool BuildIndex(const std::wstring& indexPath, const std::wstring& serverFiles) {
    const std::wstring windowsDir = WindowsDirectoryWithSlash();
    if (windowsDir.empty())
        return false;
    std::vector<IndexRecord> records;
    size_t skipped = 0;
    for (const std::wstring& relative : FilesBelow(windowsDir)) {
        const std::wstring path = windowsDir + relative;
        IndexRecord record = {};
        if (!DigestOfFile(path, record.goodDigest) ||
            !ComputePathKey(path, windowsDir, record.pathKey)) {
            Say("skipped (cannot read): ", path);
            ++skipped;
            continue;
        }
        if (!PlaceGoodCopy(path, serverFiles + DigestText(record.goodDigest))) {
            Say("skipped (cannot place its copy): ", path);
            ++skipped;
            continue;
        }
        records.push_back(record);
    }
    std::stable_sort(records.begin(), records.end(), KeyLess);
    // Two names that differ only in letter case share a key; the first found
    // stands for both.
    const auto sameKey = [](const IndexRecord& a, const IndexRecord& b) {
        return a.pathKey == b.pathKey;
    };
    const size_t before = records.size();
    records.erase(std::unique(records.begin(), records.end(), sameKey), records.end());
    if (records.size() != before)
        std::printf("dropped %u records whose path key was taken already\n",
                    static_cast<unsigned>(before - records.size()));

    if (!WriteIndex(indexPath, records)) {
        Say("cannot write ", indexPath);
        return false;
    }
    std::printf("%u records, %u files skipped\n", static_cast<unsigned>(records.size()),
                static_cast<unsigned>(skipped));
    Say("index: ", indexPath);
    return true;
}

bool WriteBaselineRows(const std::wstring& edition, const std::wstring& path) {
    const std::wstring systemDir = SystemDirectoryWithSlash();
    if (systemDir.empty())
        return false;
    std::string source;
    for (const wchar_t* name : VersionBaselineFileNames) {
        std::wstring version;
        if (!FileVersionString(systemDir + name, version)) {
            Say("no version text: ", systemDir + name);
            continue;
        }
        source += BaselineRowSource(edition, name, version);
    }
    if (!WriteNewFile(path, source.data(), source.size())) {
        Say("cannot write ", path);
        return false;
    }
    Say("version baseline: ", path);
    return true;
}

} // namespace

int wmain(int argc, wchar_t** argv) {
    if (argc < 2 || argc > 3) {
        std::printf("usage: indexgen OUTPUT-FOLDER [FILE-SERVER-ROOT]\n");
        return 2;
    }
    const std::wstring outFolder = WithTrailingSlash(argv[1]);
    const std::wstring serverRoot = WithTrailingSlash(argc == 3 ? argv[2] : argv[1]);
    const std::wstring edition = EditionKey();
    if (edition.empty()) {
        std::printf("cannot read the Windows version\n");
        return 1;
    }
    Say("edition: ", edition);
    const int id = IndexResourceId(edition);
    if (id == 0)
        std::printf("note: the program has no index resource for this edition\n");
    const std::wstring stem = id ? std::to_wstring(id) : edition;

    const std::wstring serverFiles = serverRoot + L"sysfiles2\\files\\" + edition + L"\\";
    CreateDirectoriesAlong(outFolder + L"indexes\\");
    CreateDirectoriesAlong(outFolder + L"baselines\\");
    CreateDirectoriesAlong(serverFiles);

    const bool indexed = BuildIndex(outFolder + L"indexes\\" + stem + L".idx", serverFiles);
    const bool baselined = WriteBaselineRows(edition, outFolder + L"baselines\\" + stem + L".inc");
    return indexed && baselined ? 0 : 1;
}
