#include "killers/registry_tree.h"

namespace {

bool Visit(MachineRegistry& registry, const std::wstring& path,
           const std::function<bool(const std::wstring&)>& visit, int depth) {
    if (depth > kMaxKeyTreeDepth || !visit(path))
        return false;
    std::vector<std::wstring> names;
    if (registry.SubKeys(path, names) != ERROR_SUCCESS)
        return false;
    for (const std::wstring& name : names)
        if (!Visit(registry, path + L"\\" + name, visit, depth + 1))
            return false;
    return true;
}

// What one tree read may hold in all: far more than any catalog, far less than
// the memory a crafted tree could otherwise claim.
constexpr size_t kMaxTreeKeys = 4096;
constexpr size_t kMaxTreeBytes = 16 * 1024 * 1024;

struct ReadBudget {
    size_t keys = 0;
    size_t bytes = 0;
};

LONG Read(MachineRegistry& registry, const std::wstring& path, KeyTree& tree, int depth,
          ReadBudget& budget) {
    if (depth > kMaxKeyTreeDepth || ++budget.keys > kMaxTreeKeys)
        return ERROR_INVALID_DATA;
    KeyTree read;
    LONG error = registry.ReadValues(path, read.values);
    if (error != ERROR_SUCCESS)
        return error;
    for (const MachineRegistry::Value& value : read.values) {
        const size_t size = value.data.size() + value.name.size() * sizeof(wchar_t);
        if (size > kMaxTreeBytes - budget.bytes)
            return ERROR_INVALID_DATA;
        budget.bytes += size;
    }
    std::vector<std::wstring> names;
    error = registry.SubKeys(path, names);
    if (error != ERROR_SUCCESS)
        return error;
    for (const std::wstring& name : names) {
        KeyTree sub;
        error = Read(registry, path + L"\\" + name, sub, depth + 1, budget);
        if (error != ERROR_SUCCESS)
            return error;
        read.subKeys.emplace_back(name, std::move(sub));
    }
    tree = std::move(read);
    return ERROR_SUCCESS;
}

LONG Delete(MachineRegistry& registry, const std::wstring& path, int depth) {
    if (depth > kMaxKeyTreeDepth)
        return ERROR_INVALID_DATA;
    std::vector<std::wstring> names;
    LONG error = registry.SubKeys(path, names);
    if (error != ERROR_SUCCESS)
        return error;
    for (const std::wstring& name : names) {
        error = Delete(registry, path + L"\\" + name, depth + 1);
        if (error != ERROR_SUCCESS)
            return error;
    }
    return registry.DeleteLeafKey(path);
}

} // namespace

bool VisitKeyTree(MachineRegistry& registry, const std::wstring& path,
                  const std::function<bool(const std::wstring& key)>& visit) {
    return Visit(registry, path, visit, 0);
}

LONG ReadKeyTree(MachineRegistry& registry, const std::wstring& path, KeyTree& tree) {
    ReadBudget budget;
    return Read(registry, path, tree, 0, budget);
}

LONG WriteKeyTree(MachineRegistry& registry, const std::wstring& path, const KeyTree& tree) {
    LONG error = registry.CreateKey(path);
    if (error != ERROR_SUCCESS)
        return error;
    for (const MachineRegistry::Value& value : tree.values) {
        error = registry.WriteValue(path, value);
        if (error != ERROR_SUCCESS)
            return error;
    }
    for (const auto& [name, sub] : tree.subKeys) {
        error = WriteKeyTree(registry, path + L"\\" + name, sub);
        if (error != ERROR_SUCCESS)
            return error;
    }
    return ERROR_SUCCESS;
}

LONG DeleteKeyTree(MachineRegistry& registry, const std::wstring& path) {
    return Delete(registry, path, 0);
}
