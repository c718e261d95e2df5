#pragma once

#include <functional>
#include <string>
#include <vector>

#include "killers/machine_registry.h"

// Registry trees handled through MachineRegistry: visited, copied into memory,
// deleted and written again. Trees deeper than this are not followed.
constexpr int kMaxKeyTreeDepth = 16;

// Calls VISIT for PATH and then for every key beneath it, parents before their
// sub-keys. False as soon as a visit or an enumeration fails.
bool VisitKeyTree(MachineRegistry& registry, const std::wstring& path,
                  const std::function<bool(const std::wstring& key)>& visit);

// A key's values and sub-keys, as read.
struct KeyTree {
    std::vector<MachineRegistry::Value> values;
    std::vector<std::pair<std::wstring, KeyTree>> subKeys;

    bool operator==(const KeyTree& other) const {
        return values == other.values && subKeys == other.subKeys;
    }
};

// Reads PATH with everything beneath it; a tree of more than 4096 keys or
// 16 MiB of values is ERROR_INVALID_DATA.
[[nodiscard]] LONG ReadKeyTree(MachineRegistry& registry, const std::wstring& path, KeyTree& tree);

// Creates PATH and writes TREE's values and sub-keys into it.
[[nodiscard]] LONG WriteKeyTree(MachineRegistry& registry, const std::wstring& path,
                                const KeyTree& tree);

// Deletes PATH with everything beneath it, sub-keys before their parents; a
// key that cannot be deleted stops the deletion. A key that is not there is
// ERROR_FILE_NOT_FOUND.
[[nodiscard]] LONG DeleteKeyTree(MachineRegistry& registry, const std::wstring& path);
