#include "sysfile/digest_text.h"

std::wstring DigestText(const Digest& digest) {
    static const wchar_t hex[] = L"0123456789abcdef";
    std::wstring text;
    text.reserve(digest.size() * 2);
    for (unsigned char byte : digest) {
        text += hex[byte >> 4];
        text += hex[byte & 0x0F];
    }
    return text;
}
