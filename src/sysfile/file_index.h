#pragma once

#include <string>
#include <vector>

#include "common/md5.h"
#include "sysfile/path_key.h"

// One 32-byte record of a system file index: the path key, then the MD5
// digest of the known-good file's content.
struct IndexRecord {
    PathKey pathKey;
    Digest goodDigest;
};

constexpr size_t kIndexRecordSize = 32;

enum class FindOutcome {
    Hit,        // the record holds the probe's path key
    Miss,       // not indexed; the records go on past it
    PastTheEnd, // sorts after every record (also: no index at all)
};

struct FindResult {
    FindOutcome outcome;
    IndexRecord record; // meaningful on a hit only
};

// A system file index held in memory: records sorted by path key (byte-wise),
// each path key once. A trailing partial record is ignored.
class FileIndex {
public:
    // Reads the index file whole. False, leaving no index, when the file is
    // missing, empty or unreadable.
    bool Load(const std::wstring& path);
    // Takes the bytes of an index as they are.
    void Assign(std::vector<unsigned char> bytes);

    size_t RecordCount() const { return bytes_.size() / kIndexRecordSize; }
    IndexRecord Record(size_t index) const;

    // Lower bound by path key, then an exact test.
    FindResult Find(const PathKey& key) const;

private:
    std::vector<unsigned char> bytes_;
};
