#pragma once

#include <map>
#include <string>

// The FileVersion texts of the files one scan looks at, each read from its
// file once: the damaged-file scan and the version baseline check ask for the
// same files, and nothing changes them in between.
class FileVersions {
public:
    // As FileVersionString; the file is read on the first question only.
    bool Get(const std::wstring& path, std::wstring& version);

private:
    struct Answer {
        bool readable;
        std::wstring version;
    };
    std::map<std::wstring, Answer> answers_;
};
