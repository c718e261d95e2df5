#include "sysfile/file_versions.h"

#include "sysfile/file_version.h"

bool FileVersions::Get(const std::wstring& path, std::wstring& version) {
    auto found = answers_.find(path);
    if (found == answers_.end()) {
        Answer answer{false, {}};
        answer.readable = FileVersionString(path, answer.version);
        found = answers_.emplace(path, answer).first;
    }
    if (found->second.readable)
        version = found->second.version;
    return found->second.readable;
}
