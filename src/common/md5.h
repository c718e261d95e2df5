#pragma once

#include <array>
#include <cstddef>
#include <memory>

// A 16-byte MD5 digest (RFC 1321), in the byte order the algorithm produces.
using Digest = std::array<unsigned char, 16>;

// Incremental MD5. Feed bytes with Update, then read the digest once with
// Final; a second Final fails rather than yield a digest that is none.
class Md5 {
public:
    Md5();
    ~Md5();
    Md5(const Md5&) = delete;
    Md5& operator=(const Md5&) = delete;

    void Update(const void* data, size_t size);
    bool Final(Digest& digest);

private:
    struct State;
    std::unique_ptr<State> state_;
};

// The digest of one block of bytes.
bool Md5Of(const void* data, size_t size, Digest& digest);
