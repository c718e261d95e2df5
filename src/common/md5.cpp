#include "common/md5.h"

#include <windows.h>
#include <wincrypt.h>

#include "common/unique_resource.h"

namespace {

struct CryptProviderTraits {
    using Value = HCRYPTPROV;
    static Value Invalid() noexcept { return 0; }
    static void Close(Value value) noexcept { CryptReleaseContext(value, 0); }
};

struct CryptHashTraits {
    using Value = HCRYPTHASH;
    static Value Invalid() noexcept { return 0; }
    static void Close(Value value) noexcept { CryptDestroyHash(value); }
};

using UniqueCryptProvider = UniqueResource<CryptProviderTraits>;
using UniqueCryptHash = UniqueResource<CryptHashTraits>;

// One verify-only context serves every hash of the process: acquiring one per
// digest would cost more than hashing a path.
HCRYPTPROV Provider() {
    static const UniqueCryptProvider provider = [] {
        UniqueCryptProvider acquired;
        CryptAcquireContextW(acquired.put(), nullptr, nullptr, PROV_RSA_FULL, CRYPT_VERIFYCONTEXT);
        return acquired;
    }();
    return provider.get();
}

} // namespace

struct Md5::State {
    UniqueCryptHash hash;
    bool failed = false;
};

Md5::Md5() : state_(std::make_unique<State>()) {
    const HCRYPTPROV provider = Provider();
    if (!provider || !CryptCreateHash(provider, CALG_MD5, 0, 0, state_->hash.put()))
        state_->failed = true;
}

Md5::~Md5() = default;

void Md5::Update(const void* data, size_t size) {
    const BYTE* bytes = static_cast<const BYTE*>(data);
    // CryptHashData takes a 32-bit length.
    const size_t chunk = 0x40000000;
    while (size > 0 && !state_->failed) {
        const DWORD part = static_cast<DWORD>(size < chunk ? size : chunk);
        if (!CryptHashData(state_->hash.get(), bytes, part, 0))
            state_->failed = true;
        bytes += part;
        size -= part;
    }
}

bool Md5::Final(Digest& digest) {
    if (state_->failed)
        return false;
    Digest value = {};
    DWORD length = static_cast<DWORD>(value.size());
    // The hash cannot take more data once its value has been read.
    state_->failed = true;
    if (!CryptGetHashParam(state_->hash.get(), HP_HASHVAL, value.data(), &length, 0) ||
        length != value.size())
        return false;
    digest = value;
    return true;
}

bool Md5Of(const void* data, size_t size, Digest& digest) {
    Md5 md5;
    md5.Update(data, size);
    return md5.Final(digest);
}
