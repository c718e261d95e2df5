#include "journal/journal_line.h"

#include "common/hex_digit.h"

namespace {

constexpr char32_t kReplacement = 0xFFFD;

void AppendUtf8(std::string& out, char32_t c) {
    if (c < 0x80) {
        out += static_cast<char>(c);
    } else if (c < 0x800) {
        out += static_cast<char>(0xC0 | (c >> 6));
        out += static_cast<char>(0x80 | (c & 0x3F));
    } else if (c < 0x10000) {
        out += static_cast<char>(0xE0 | (c >> 12));
        out += static_cast<char>(0x80 | ((c >> 6) & 0x3F));
        out += static_cast<char>(0x80 | (c & 0x3F));
    } else {
        out += static_cast<char>(0xF0 | (c >> 18));
        out += static_cast<char>(0x80 | ((c >> 12) & 0x3F));
        out += static_cast<char>(0x80 | ((c >> 6) & 0x3F));
        out += static_cast<char>(0x80 | (c & 0x3F));
    }
}

void AppendUtf16(std::wstring& out, char32_t c) {
    if (c >= 0x10000) {
        c -= 0x10000;
        out += static_cast<wchar_t>(0xD800 + (c >> 10));
        out += static_cast<wchar_t>(0xDC00 + (c & 0x3FF));
    } else {
        out += static_cast<wchar_t>(c);
    }
}

std::wstring AttributesHex(unsigned long attributes) {
    static const wchar_t kHex[] = L"0123456789abcdef";
    std::wstring text;
    for (int shift = 28; shift >= 0; shift -= 4)
        text += kHex[(attributes >> shift) & 0xF];
    return text;
}

std::optional<unsigned long> AttributesOfHex(std::wstring_view hex) {
    if (hex.size() != 8)
        return std::nullopt;
    unsigned long attributes = 0;
    for (const wchar_t c : hex) {
        const int digit = c < 0x80 ? HexDigit(static_cast<char>(c)) : -1;
        if (digit < 0)
            return std::nullopt;
        attributes = attributes * 16 + static_cast<unsigned long>(digit);
    }
    return attributes;
}

} // namespace

std::string ToUtf8(std::wstring_view text) {
    std::string out;
    out.reserve(text.size());
    for (size_t i = 0; i < text.size(); ++i) {
        const char32_t unit = static_cast<char32_t>(text[i]) & 0xFFFF;
        if (unit >= 0xD800 && unit <= 0xDBFF && i + 1 < text.size()) {
            const char32_t low = static_cast<char32_t>(text[i + 1]) & 0xFFFF;
            if (low >= 0xDC00 && low <= 0xDFFF) {
                AppendUtf8(out, 0x10000 + ((unit - 0xD800) << 10) + (low - 0xDC00));
                ++i;
                continue;
            }
        }
        AppendUtf8(out, unit >= 0xD800 && unit <= 0xDFFF ? kReplacement : unit);
    }
    return out;
}

std::wstring FromUtf8(std::string_view text) {
    std::wstring out;
    out.reserve(text.size());
    size_t i = 0;
    while (i < text.size()) {
        const unsigned char lead = static_cast<unsigned char>(text[i]);
        size_t length = 0;
        char32_t c = 0;
        if (lead < 0x80) {
            length = 1;
            c = lead;
        } else if (lead >= 0xC2 && lead <= 0xDF) {
            length = 2;
            c = lead & 0x1F;
        } else if (lead >= 0xE0 && lead <= 0xEF) {
            length = 3;
            c = lead & 0x0F;
        } else if (lead >= 0xF0 && lead <= 0xF4) {
            length = 4;
            c = lead & 0x07;
        }
        bool valid = length != 0 && length <= text.size() - i;
        for (size_t k = 1; valid && k < length; ++k) {
            const unsigned char next = static_cast<unsigned char>(text[i + k]);
            if ((next & 0xC0) != 0x80)
                valid = false;
            else
                c = (c << 6) | (next & 0x3F);
        }
        // Overlong forms, surrogates and values past U+10FFFF are no characters.
        if (valid && ((length == 3 && c < 0x800) || (length == 4 && c < 0x10000) ||
                      (c >= 0xD800 && c <= 0xDFFF) || c > 0x10FFFF))
            valid = false;
        if (!valid) {
            out += static_cast<wchar_t>(kReplacement);
            ++i;
            continue;
        }
        AppendUtf16(out, c);
        i += length;
    }
    return out;
}

std::string EscapeField(std::wstring_view field) {
    static const char kHex[] = "0123456789ABCDEF";
    const std::string utf8 = ToUtf8(field);
    std::string out;
    out.reserve(utf8.size());
    for (const char c : utf8) {
        const unsigned char byte = static_cast<unsigned char>(c);
        if (byte < 0x20 || byte == 0x7F || byte == '%') {
            out += '%';
            out += kHex[byte >> 4];
            out += kHex[byte & 0xF];
        } else {
            out += c;
        }
    }
    return out;
}

std::optional<std::wstring> UnescapeField(std::string_view field) {
    std::string utf8;
    utf8.reserve(field.size());
    for (size_t i = 0; i < field.size(); ++i) {
        if (field[i] != '%') {
            utf8 += field[i];
            continue;
        }
        if (field.size() - i < 3)
            return std::nullopt;
        const int high = HexDigit(field[i + 1]);
        const int low = HexDigit(field[i + 2]);
        if (high < 0 || low < 0)
            return std::nullopt;
        utf8 += static_cast<char>(high * 16 + low);
        i += 2;
    }
    return FromUtf8(utf8);
}

std::string FormatLine(const std::vector<std::wstring>& fields) {
    std::string line;
    for (size_t i = 0; i < fields.size(); ++i) {
        if (i != 0)
            line += '\t';
        line += EscapeField(fields[i]);
    }
    line += '\n';
    return line;
}

std::vector<std::vector<std::wstring>> ParseLines(std::string_view text) {
    std::vector<std::vector<std::wstring>> lines;
    size_t start = 0;
    for (size_t end = text.find('\n'); end != std::string_view::npos;
         start = end + 1, end = text.find('\n', start)) {
        std::string_view line = text.substr(start, end - start);
        if (!line.empty() && line.back() == '\r')
            line.remove_suffix(1);
        std::vector<std::wstring> fields;
        size_t fieldStart = 0;
        while (true) {
            const size_t tab = line.find('\t', fieldStart);
            const std::string_view raw =
                line.substr(fieldStart, tab == std::string_view::npos ? std::string_view::npos
                                                                      : tab - fieldStart);
            std::optional<std::wstring> field = UnescapeField(raw);
            if (!field) {
                fields.clear();
                break;
            }
            fields.push_back(std::move(*field));
            if (tab == std::string_view::npos)
                break;
            fieldStart = tab + 1;
        }
        lines.push_back(std::move(fields));
    }
    return lines;
}

size_t CompleteLinesLength(std::string_view text) {
    const size_t lastLf = text.rfind('\n');
    return lastLf == std::string_view::npos ? 0 : lastLf + 1;
}

std::wstring HexOf(const unsigned char* bytes, size_t size) {
    static const wchar_t kHex[] = L"0123456789abcdef";
    std::wstring out;
    out.reserve(size * 2);
    for (size_t i = 0; i < size; ++i) {
        out += kHex[bytes[i] >> 4];
        out += kHex[bytes[i] & 0xF];
    }
    return out;
}

std::optional<std::vector<unsigned char>> BytesOfHex(std::wstring_view hex) {
    if (hex.size() % 2 != 0)
        return std::nullopt;
    std::vector<unsigned char> bytes;
    bytes.reserve(hex.size() / 2);
    for (size_t i = 0; i < hex.size(); i += 2) {
        const int high = hex[i] < 0x80 ? HexDigit(static_cast<char>(hex[i])) : -1;
        const int low = hex[i + 1] < 0x80 ? HexDigit(static_cast<char>(hex[i + 1])) : -1;
        if (high < 0 || low < 0)
            return std::nullopt;
        bytes.push_back(static_cast<unsigned char>(high * 16 + low));
    }
    return bytes;
}

std::wstring FormatFileState(const FileStateText& state) {
    if (!state.present)
        return L"absent";
    std::wstring text = L"file:" + state.md5;
    if (state.hasAttributes)
        text += L':' + AttributesHex(state.attributes);
    return text;
}

std::optional<FileStateText> ParseFileState(std::wstring_view text) {
    FileStateText state;
    if (text == L"absent")
        return state;
    if (text.substr(0, 5) != L"file:" || text.size() < 5 + 32)
        return std::nullopt;
    const std::wstring_view md5 = text.substr(5, 32);
    for (const wchar_t c : md5) {
        if (!((c >= L'0' && c <= L'9') || (c >= L'a' && c <= L'f')))
            return std::nullopt;
    }
    state.present = true;
    state.md5.assign(md5);
    const std::wstring_view rest = text.substr(5 + 32);
    if (rest.empty())
        return state;
    if (rest.size() != 9 || rest[0] != L':')
        return std::nullopt;
    const std::optional<unsigned long> attributes = AttributesOfHex(rest.substr(1));
    if (!attributes)
        return std::nullopt;
    state.hasAttributes = true;
    state.attributes = *attributes;
    return state;
}

std::wstring FormatAttributesState(unsigned long attributes) {
    return L"attributes:" + AttributesHex(attributes);
}

std::optional<unsigned long> ParseAttributesState(std::wstring_view text) {
    if (text.substr(0, 11) != L"attributes:")
        return std::nullopt;
    return AttributesOfHex(text.substr(11));
}
