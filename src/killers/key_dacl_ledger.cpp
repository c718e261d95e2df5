#include "killers/key_dacl_ledger.h"

#include <algorithm>

#include "killers/registry_tree.h"

namespace {

size_t Depth(const std::wstring& path) {
    return std::count(path.begin(), path.end(), L'\\');
}

} // namespace

bool KeyDaclLedger::Remember(const std::wstring& path) {
    for (const auto& entry : saved_)
        if (entry.first == path)
            return true;
    std::wstring dacl;
    if (registry_.ReadDacl(path, dacl) != ERROR_SUCCESS)
        return false;
    saved_.emplace_back(path, std::move(dacl));
    return true;
}

bool KeyDaclLedger::RememberTree(const std::wstring& path) {
    return VisitKeyTree(registry_, path, [this](const std::wstring& key) { return Remember(key); });
}

bool KeyDaclLedger::Replace(const std::wstring& path, const std::wstring& dacl) {
    return Remember(path) && registry_.WriteDacl(path, dacl) == ERROR_SUCCESS;
}

bool KeyDaclLedger::ReplaceTree(const std::wstring& path, const std::wstring& dacl) {
    return VisitKeyTree(registry_, path,
                        [this, &dacl](const std::wstring& key) { return Replace(key, dacl); });
}

bool KeyDaclLedger::RestoreAll() {
    std::stable_sort(saved_.begin(), saved_.end(),
                     [](const auto& a, const auto& b) { return Depth(a.first) < Depth(b.first); });
    std::vector<std::pair<std::wstring, std::wstring>> outstanding;
    for (auto& entry : saved_) {
        bool restored = false;
        // A second try, for a call that failed once; a key that is gone has
        // nothing left to protect.
        for (int attempt = 0; attempt < 2 && !restored; ++attempt) {
            const LONG error = registry_.WriteDacl(entry.first, entry.second);
            restored = error == ERROR_SUCCESS || error == ERROR_FILE_NOT_FOUND;
        }
        if (!restored)
            outstanding.push_back(std::move(entry));
    }
    saved_ = std::move(outstanding);
    return saved_.empty();
}
