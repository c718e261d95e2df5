#include "sysfile/file_index.h"

#include <cstring>
#include <utility>

#include "sysfile/whole_file.h"

bool FileIndex::Load(const std::wstring& path) {
    std::vector<unsigned char> bytes;
    const bool loaded = LoadWholeFile(path, bytes);
    Assign(std::move(bytes));
    return loaded && RecordCount() > 0;
}

void FileIndex::Assign(std::vector<unsigned char> bytes) {
    bytes_ = std::move(bytes);
}

IndexRecord FileIndex::Record(size_t index) const {
    IndexRecord record = {};
    if (index < RecordCount()) {
        const unsigned char* at = bytes_.data() + index * kIndexRecordSize;
        std::memcpy(record.pathKey.data(), at, record.pathKey.size());
        std::memcpy(record.goodDigest.data(), at + record.pathKey.size(), record.goodDigest.size());
    }
    return record;
}

FindResult FileIndex::Find(const PathKey& key) const {
    const size_t n = RecordCount();
    size_t first = 0;
    size_t count = n;
    while (count > 0) {
        const size_t half = count / 2;
        const unsigned char* probe = bytes_.data() + (first + half) * kIndexRecordSize;
        if (std::memcmp(probe, key.data(), key.size()) < 0) {
            first += half + 1;
            count -= half + 1;
        } else {
            count = half;
        }
    }
    FindResult result = {};
    if (first == n) {
        result.outcome = FindOutcome::PastTheEnd;
        return result;
    }
    result.record = Record(first);
    result.outcome = result.record.pathKey == key ? FindOutcome::Hit : FindOutcome::Miss;
    return result;
}
