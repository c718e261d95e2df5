#include "common/trusted_writers.h"

#include "common/unique_resource.h"

namespace {

bool IsWellKnown(PSID sid, WELL_KNOWN_SID_TYPE type) {
    BYTE buffer[SECURITY_MAX_SID_SIZE] = {};
    DWORD size = sizeof(buffer);
    return CreateWellKnownSid(type, nullptr, buffer, &size) && EqualSid(sid, buffer);
}

// The account this elevated process runs as: what it creates is its owner's.
bool IsOwnAccount(PSID sid) {
    UniqueHandle token;
    if (!OpenProcessToken(GetCurrentProcess(), TOKEN_QUERY, token.put()))
        return false;
    BYTE buffer[sizeof(TOKEN_USER) + SECURITY_MAX_SID_SIZE] = {};
    DWORD size = 0;
    if (!GetTokenInformation(token.get(), TokenUser, buffer, sizeof(buffer), &size))
        return false;
    return EqualSid(sid, reinterpret_cast<TOKEN_USER*>(buffer)->User.Sid);
}

} // namespace

bool IsTrustedAccount(PSID sid) {
    if (sid == nullptr || !IsValidSid(sid))
        return false;
    return IsWellKnown(sid, WinLocalSystemSid) || IsWellKnown(sid, WinBuiltinAdministratorsSid) ||
           IsOwnAccount(sid);
}

bool OnlyTrustedMayChange(PSID owner, const ACL* dacl, bool (*trusted)(PSID)) {
    if (!owner || !dacl || !trusted(owner))
        return false;
    for (DWORD index = 0; index < dacl->AceCount; ++index) {
        void* ace = nullptr;
        if (!GetAce(const_cast<ACL*>(dacl), index, &ace))
            return false;
        const auto* header = static_cast<const ACE_HEADER*>(ace);
        if (header->AceType == ACCESS_DENIED_ACE_TYPE)
            continue;
        if (header->AceType != ACCESS_ALLOWED_ACE_TYPE)
            return false;
        auto* allowed = static_cast<ACCESS_ALLOWED_ACE*>(ace);
        PSID sid = &allowed->SidStart;
        if ((allowed->Mask & kChangingRights) && !trusted(sid) &&
            !IsWellKnown(sid, WinCreatorOwnerSid))
            return false;
    }
    return true;
}
