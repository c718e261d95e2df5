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
    std::vector<BYTE> descriptor;
    if (registry_.ReadDacl(path, descriptor) != ERROR_SUCCESS)
        return false;
    saved_.emplace_back(path, std::move(descriptor));
    return true;
}

bool KeyDaclLedger::RememberTree(const std::wstring& path) {
    return VisitKeyTree(registry_, path, [this](const std::wstring& key) { return Remember(key); });
}

bool KeyDaclLedger::Replace(const std::wstring& path, const std::vector<BYTE>& descriptor) {
    return Remember(path) && registry_.WriteDacl(path, descriptor) == ERROR_SUCCESS;
}

bool KeyDaclLedger::ReplaceTree(const std::wstring& path, const std::vector<BYTE>& descriptor) {
    return VisitKeyTree(registry_, path, [this, &descriptor](const std::wstring& key) {
        return Replace(key, descriptor);
    });
}

bool KeyDaclLedger::RestoreAll() {
    std::stable_sort(saved_.begin(), saved_.end(),
                     [](const auto& a, const auto& b) { return Depth(a.first) > Depth(b.first); });
    std::vector<std::pair<std::wstring, std::vector<BYTE>>> outstanding;
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

std::vector<BYTE> FullControlDescriptor(WELL_KNOWN_SID_TYPE kind, BYTE aceFlags) {
    BYTE sid[SECURITY_MAX_SID_SIZE];
    DWORD sidSize = sizeof(sid);
    if (!CreateWellKnownSid(kind, nullptr, sid, &sidSize))
        return {};
    const DWORD aclSize = sizeof(ACL) + sizeof(ACCESS_ALLOWED_ACE) + GetLengthSid(sid);
    std::vector<BYTE> aclBytes(aclSize);
    auto* acl = reinterpret_cast<ACL*>(aclBytes.data());
    SECURITY_DESCRIPTOR absolute;
    if (!InitializeAcl(acl, aclSize, ACL_REVISION) ||
        !AddAccessAllowedAceEx(acl, ACL_REVISION, aceFlags, KEY_ALL_ACCESS, sid) ||
        !InitializeSecurityDescriptor(&absolute, SECURITY_DESCRIPTOR_REVISION) ||
        !SetSecurityDescriptorDacl(&absolute, TRUE, acl, FALSE))
        return {};
    DWORD size = 0;
    MakeSelfRelativeSD(&absolute, nullptr, &size);
    if (size == 0)
        return {};
    std::vector<BYTE> descriptor(size);
    if (!MakeSelfRelativeSD(&absolute, descriptor.data(), &size))
        return {};
    return descriptor;
}
