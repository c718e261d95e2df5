#pragma once

#include <string>
#include <vector>

// A system file to replace: its full path and the digest text of its good
// content, which names the good copy on the file server.
struct RepairEntry {
    std::wstring target;
    std::wstring digest;
};

using RepairEntries = std::vector<RepairEntry>;
