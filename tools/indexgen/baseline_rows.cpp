#include "baseline_rows.h"

#include <cstdio>

namespace {

std::string WideLiteral(const std::wstring& text) {
    std::string literal = "L\"";
    for (wchar_t c : text) {
        const unsigned value = static_cast<unsigned>(c) & 0xFFFFu;
        if (value >= 0x20 && value < 0x7F && c != L'"' && c != L'\\' && c != L'?') {
            literal += static_cast<char>(value);
        } else {
            // A hexadecimal escape runs on over following hex digits, so the
            // literal is closed after it and continued by concatenation.
            char escape[16] = {};
            std::snprintf(escape, sizeof(escape), "\\x%04x\" L\"", value);
            literal += escape;
        }
    }
    literal += "\"";
    return literal;
}

} // namespace

std::string BaselineRowSource(const std::wstring& edition, const std::wstring& fileName,
                              const std::wstring& version) {
    return "    {" + WideLiteral(edition) + ", " + WideLiteral(fileName) + ", " +
           WideLiteral(version) + "},\n";
}
