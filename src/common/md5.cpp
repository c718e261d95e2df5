#include "common/md5.h"

#include <cstdint>
#include <cstring>

// RFC 1321, computed here rather than through the system's crypto provider:
// loading the provider costs a run more time and memory than the hashing.
namespace {

constexpr size_t kBlockBytes = 64;

// The constants floor(abs(sin(i + 1)) * 2^32) of the 64 steps.
constexpr uint32_t kSine[64] = {
    0xd76aa478, 0xe8c7b756, 0x242070db, 0xc1bdceee, 0xf57c0faf, 0x4787c62a, 0xa8304613, 0xfd469501,
    0x698098d8, 0x8b44f7af, 0xffff5bb1, 0x895cd7be, 0x6b901122, 0xfd987193, 0xa679438e, 0x49b40821,
    0xf61e2562, 0xc040b340, 0x265e5a51, 0xe9b6c7aa, 0xd62f105d, 0x02441453, 0xd8a1e681, 0xe7d3fbc8,
    0x21e1cde6, 0xc33707d6, 0xf4d50d87, 0x455a14ed, 0xa9e3e905, 0xfcefa3f8, 0x676f02d9, 0x8d2a4c8a,
    0xfffa3942, 0x8771f681, 0x6d9d6122, 0xfde5380c, 0xa4beea44, 0x4bdecfa9, 0xf6bb4b60, 0xbebfbc70,
    0x289b7ec6, 0xeaa127fa, 0xd4ef3085, 0x04881d05, 0xd9d4d039, 0xe6db99e5, 0x1fa27cf8, 0xc4ac5665,
    0xf4292244, 0x432aff97, 0xab9423a7, 0xfc93a039, 0x655b59c3, 0x8f0ccc92, 0xffeff47d, 0x85845dd1,
    0x6fa87e4f, 0xfe2ce6e0, 0xa3014314, 0x4e0811a1, 0xf7537e82, 0xbd3af235, 0x2ad7d2bb, 0xeb86d391,
};

uint32_t RotateLeft(uint32_t value, unsigned bits) {
    return (value << bits) | (value >> (32 - bits));
}

uint32_t F(uint32_t x, uint32_t y, uint32_t z) {
    return z ^ (x & (y ^ z));
}
uint32_t G(uint32_t x, uint32_t y, uint32_t z) {
    return y ^ (z & (x ^ y));
}
uint32_t H(uint32_t x, uint32_t y, uint32_t z) {
    return x ^ y ^ z;
}
uint32_t I(uint32_t x, uint32_t y, uint32_t z) {
    return y ^ (x | ~z);
}

template <uint32_t (*Mix)(uint32_t, uint32_t, uint32_t)>
inline void Step(uint32_t& a, uint32_t b, uint32_t c, uint32_t d, uint32_t word, uint32_t sine,
                 unsigned shift) {
    a = b + RotateLeft(a + Mix(b, c, d) + word + sine, shift);
}

uint32_t LittleEndian32(const unsigned char* bytes) {
    return static_cast<uint32_t>(bytes[0]) | static_cast<uint32_t>(bytes[1]) << 8 |
           static_cast<uint32_t>(bytes[2]) << 16 | static_cast<uint32_t>(bytes[3]) << 24;
}

// The four rounds of sixteen steps over one 64-byte block, written out: the
// word order and shifts of each step are those of the RFC's reference code.
void Transform(uint32_t state[4], const unsigned char* block) {
    uint32_t x[16];
    for (int i = 0; i < 16; ++i)
        x[i] = LittleEndian32(block + 4 * i);
    uint32_t a = state[0], b = state[1], c = state[2], d = state[3];
    Step<F>(a, b, c, d, x[0], kSine[0], 7);
    Step<F>(d, a, b, c, x[1], kSine[1], 12);
    Step<F>(c, d, a, b, x[2], kSine[2], 17);
    Step<F>(b, c, d, a, x[3], kSine[3], 22);
    Step<F>(a, b, c, d, x[4], kSine[4], 7);
    Step<F>(d, a, b, c, x[5], kSine[5], 12);
    Step<F>(c, d, a, b, x[6], kSine[6], 17);
    Step<F>(b, c, d, a, x[7], kSine[7], 22);
    Step<F>(a, b, c, d, x[8], kSine[8], 7);
    Step<F>(d, a, b, c, x[9], kSine[9], 12);
    Step<F>(c, d, a, b, x[10], kSine[10], 17);
    Step<F>(b, c, d, a, x[11], kSine[11], 22);
    Step<F>(a, b, c, d, x[12], kSine[12], 7);
    Step<F>(d, a, b, c, x[13], kSine[13], 12);
    Step<F>(c, d, a, b, x[14], kSine[14], 17);
    Step<F>(b, c, d, a, x[15], kSine[15], 22);
    Step<G>(a, b, c, d, x[1], kSine[16], 5);
    Step<G>(d, a, b, c, x[6], kSine[17], 9);
    Step<G>(c, d, a, b, x[11], kSine[18], 14);
    Step<G>(b, c, d, a, x[0], kSine[19], 20);
    Step<G>(a, b, c, d, x[5], kSine[20], 5);
    Step<G>(d, a, b, c, x[10], kSine[21], 9);
    Step<G>(c, d, a, b, x[15], kSine[22], 14);
    Step<G>(b, c, d, a, x[4], kSine[23], 20);
    Step<G>(a, b, c, d, x[9], kSine[24], 5);
    Step<G>(d, a, b, c, x[14], kSine[25], 9);
    Step<G>(c, d, a, b, x[3], kSine[26], 14);
    Step<G>(b, c, d, a, x[8], kSine[27], 20);
    Step<G>(a, b, c, d, x[13], kSine[28], 5);
    Step<G>(d, a, b, c, x[2], kSine[29], 9);
    Step<G>(c, d, a, b, x[7], kSine[30], 14);
    Step<G>(b, c, d, a, x[12], kSine[31], 20);
    Step<H>(a, b, c, d, x[5], kSine[32], 4);
    Step<H>(d, a, b, c, x[8], kSine[33], 11);
    Step<H>(c, d, a, b, x[11], kSine[34], 16);
    Step<H>(b, c, d, a, x[14], kSine[35], 23);
    Step<H>(a, b, c, d, x[1], kSine[36], 4);
    Step<H>(d, a, b, c, x[4], kSine[37], 11);
    Step<H>(c, d, a, b, x[7], kSine[38], 16);
    Step<H>(b, c, d, a, x[10], kSine[39], 23);
    Step<H>(a, b, c, d, x[13], kSine[40], 4);
    Step<H>(d, a, b, c, x[0], kSine[41], 11);
    Step<H>(c, d, a, b, x[3], kSine[42], 16);
    Step<H>(b, c, d, a, x[6], kSine[43], 23);
    Step<H>(a, b, c, d, x[9], kSine[44], 4);
    Step<H>(d, a, b, c, x[12], kSine[45], 11);
    Step<H>(c, d, a, b, x[15], kSine[46], 16);
    Step<H>(b, c, d, a, x[2], kSine[47], 23);
    Step<I>(a, b, c, d, x[0], kSine[48], 6);
    Step<I>(d, a, b, c, x[7], kSine[49], 10);
    Step<I>(c, d, a, b, x[14], kSine[50], 15);
    Step<I>(b, c, d, a, x[5], kSine[51], 21);
    Step<I>(a, b, c, d, x[12], kSine[52], 6);
    Step<I>(d, a, b, c, x[3], kSine[53], 10);
    Step<I>(c, d, a, b, x[10], kSine[54], 15);
    Step<I>(b, c, d, a, x[1], kSine[55], 21);
    Step<I>(a, b, c, d, x[8], kSine[56], 6);
    Step<I>(d, a, b, c, x[15], kSine[57], 10);
    Step<I>(c, d, a, b, x[6], kSine[58], 15);
    Step<I>(b, c, d, a, x[13], kSine[59], 21);
    Step<I>(a, b, c, d, x[4], kSine[60], 6);
    Step<I>(d, a, b, c, x[11], kSine[61], 10);
    Step<I>(c, d, a, b, x[2], kSine[62], 15);
    Step<I>(b, c, d, a, x[9], kSine[63], 21);
    state[0] += a;
    state[1] += b;
    state[2] += c;
    state[3] += d;
}

} // namespace

struct Md5::State {
    uint32_t words[4] = {0x67452301, 0xefcdab89, 0x98badcfe, 0x10325476};
    uint64_t length = 0; // bytes taken so far
    unsigned char pending[kBlockBytes] = {};
    bool finished = false;
};

Md5::Md5() : state_(std::make_unique<State>()) {}

Md5::~Md5() = default;

void Md5::Update(const void* data, size_t size) {
    State& s = *state_;
    if (s.finished)
        return;
    const unsigned char* bytes = static_cast<const unsigned char*>(data);
    size_t filled = static_cast<size_t>(s.length % kBlockBytes);
    s.length += size;
    if (filled > 0) {
        const size_t take = size < kBlockBytes - filled ? size : kBlockBytes - filled;
        std::memcpy(s.pending + filled, bytes, take);
        bytes += take;
        size -= take;
        filled += take;
        if (filled < kBlockBytes)
            return;
        Transform(s.words, s.pending);
    }
    for (; size >= kBlockBytes; bytes += kBlockBytes, size -= kBlockBytes)
        Transform(s.words, bytes);
    if (size > 0)
        std::memcpy(s.pending, bytes, size);
}

bool Md5::Final(Digest& digest) {
    State& s = *state_;
    // The value can be read once; more data cannot follow it.
    if (s.finished)
        return false;
    const uint64_t bits = s.length * 8;
    static const unsigned char kPadding[kBlockBytes] = {0x80};
    const size_t filled = static_cast<size_t>(s.length % kBlockBytes);
    Update(kPadding, filled < 56 ? 56 - filled : 120 - filled);
    unsigned char lengthBytes[8];
    for (int i = 0; i < 8; ++i)
        lengthBytes[i] = static_cast<unsigned char>(bits >> (8 * i));
    Update(lengthBytes, sizeof(lengthBytes));
    s.finished = true;
    for (int i = 0; i < 4; ++i)
        for (int j = 0; j < 4; ++j)
            digest[4 * i + j] = static_cast<unsigned char>(s.words[i] >> (8 * j));
    return true;
}

bool Md5Of(const void* data, size_t size, Digest& digest) {
    Md5 md5;
    md5.Update(data, size);
    return md5.Final(digest);
}
