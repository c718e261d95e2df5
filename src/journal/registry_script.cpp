#include "journal/registry_script.h"

#include <algorithm>

namespace {

constexpr unsigned long kString = 1;       // REG_SZ
constexpr unsigned long kBinary = 3;       // REG_BINARY
constexpr unsigned long kDword = 4;        // REG_DWORD
constexpr unsigned long kLargestType = 11; // REG_QWORD
constexpr size_t kLargestData = 1u << 20;

std::vector<std::wstring> LogicalLines(std::wstring_view text) {
    std::vector<std::wstring> lines;
    std::wstring current;
    size_t start = 0;
    while (start <= text.size()) {
        size_t end = text.find(L'\n', start);
        if (end == std::wstring_view::npos)
            end = text.size();
        std::wstring_view line = text.substr(start, end - start);
        if (!line.empty() && line.back() == L'\r')
            line.remove_suffix(1);
        // Hex data goes on over lines that end in a backslash.
        if (!current.empty()) {
            while (!line.empty() && (line.front() == L' ' || line.front() == L'\t'))
                line.remove_prefix(1);
        }
        if (!line.empty() && line.back() == L'\\' &&
            line.find(L"=hex") != std::wstring_view::npos) {
            current.append(line.substr(0, line.size() - 1));
        } else if (!current.empty() && !line.empty() && line.back() == L'\\') {
            current.append(line.substr(0, line.size() - 1));
        } else {
            current.append(line);
            lines.push_back(std::move(current));
            current.clear();
        }
        start = end + 1;
    }
    if (!current.empty())
        lines.push_back(std::move(current));
    return lines;
}

// A quoted string starting at TEXT[POS] == '"'; POS moves past the closing quote.
std::optional<std::wstring> QuotedString(std::wstring_view text, size_t& pos) {
    std::wstring out;
    for (size_t i = pos + 1; i < text.size(); ++i) {
        if (text[i] == L'\\') {
            if (i + 1 >= text.size())
                return std::nullopt;
            const wchar_t next = text[++i];
            if (next == L'\\' || next == L'"')
                out += next;
            else if (next == L'n')
                out += L'\n';
            else
                return std::nullopt;
        } else if (text[i] == L'"') {
            pos = i + 1;
            return out;
        } else {
            out += text[i];
        }
    }
    return std::nullopt;
}

int HexDigit(wchar_t c) {
    if (c >= L'0' && c <= L'9')
        return c - L'0';
    if (c >= L'a' && c <= L'f')
        return c - L'a' + 10;
    if (c >= L'A' && c <= L'F')
        return c - L'A' + 10;
    return -1;
}

std::optional<std::vector<unsigned char>> HexList(std::wstring_view text) {
    std::vector<unsigned char> bytes;
    size_t i = 0;
    while (i < text.size()) {
        while (i < text.size() && (text[i] == L' ' || text[i] == L'\t'))
            ++i;
        if (i == text.size())
            break;
        if (text.size() - i < 2)
            return std::nullopt;
        const int high = HexDigit(text[i]);
        const int low = HexDigit(text[i + 1]);
        if (high < 0 || low < 0 || bytes.size() >= kLargestData)
            return std::nullopt;
        bytes.push_back(static_cast<unsigned char>(high * 16 + low));
        i += 2;
        while (i < text.size() && (text[i] == L' ' || text[i] == L'\t'))
            ++i;
        if (i < text.size() && text[i] != L',')
            return std::nullopt;
        ++i;
    }
    return bytes;
}

std::vector<unsigned char> Utf16Bytes(const std::wstring& text) {
    std::vector<unsigned char> bytes;
    for (const wchar_t c : text) {
        bytes.push_back(static_cast<unsigned char>(c & 0xFF));
        bytes.push_back(static_cast<unsigned char>((c >> 8) & 0xFF));
    }
    bytes.push_back(0);
    bytes.push_back(0);
    return bytes;
}

bool StartsWith(std::wstring_view text, std::wstring_view prefix) {
    return text.substr(0, prefix.size()) == prefix;
}

// The data after '=': a string, dword:, hex: or hex(N):.
bool ParseData(std::wstring_view data, ScriptValue& value) {
    if (!data.empty() && data.front() == L'"') {
        size_t pos = 0;
        std::optional<std::wstring> text = QuotedString(data, pos);
        if (!text || pos != data.size())
            return false;
        value.type = kString;
        value.bytes = Utf16Bytes(*text);
        return true;
    }
    if (StartsWith(data, L"dword:")) {
        const std::wstring_view digits = data.substr(6);
        if (digits.size() != 8)
            return false;
        unsigned long number = 0;
        for (const wchar_t c : digits) {
            const int digit = HexDigit(c);
            if (digit < 0)
                return false;
            number = number * 16 + static_cast<unsigned long>(digit);
        }
        value.type = kDword;
        value.bytes = {static_cast<unsigned char>(number & 0xFF),
                       static_cast<unsigned char>((number >> 8) & 0xFF),
                       static_cast<unsigned char>((number >> 16) & 0xFF),
                       static_cast<unsigned char>((number >> 24) & 0xFF)};
        return true;
    }
    unsigned long type = kBinary;
    std::wstring_view rest;
    if (StartsWith(data, L"hex:")) {
        rest = data.substr(4);
    } else if (StartsWith(data, L"hex(")) {
        const size_t close = data.find(L"):");
        if (close == std::wstring_view::npos || close <= 4 || close - 4 > 2)
            return false;
        unsigned long number = 0;
        for (size_t i = 4; i < close; ++i) {
            const int digit = HexDigit(data[i]);
            if (digit < 0)
                return false;
            number = number * 16 + static_cast<unsigned long>(digit);
        }
        if (number > kLargestType)
            return false;
        type = number;
        rest = data.substr(close + 2);
    } else {
        return false;
    }
    std::optional<std::vector<unsigned char>> bytes = HexList(rest);
    if (!bytes)
        return false;
    value.type = type;
    value.bytes = std::move(*bytes);
    return true;
}

} // namespace

std::optional<RegistryScript> ParseRegistryScript(std::wstring_view text) {
    const std::vector<std::wstring> lines = LogicalLines(text);
    size_t index = 0;
    while (index < lines.size() && lines[index].empty())
        ++index;
    if (index == lines.size() ||
        (lines[index] != L"REGEDIT4" && lines[index] != L"Windows Registry Editor Version 5.00"))
        return std::nullopt;
    RegistryScript script;
    std::wstring currentKey;
    for (++index; index < lines.size(); ++index) {
        std::wstring_view line = lines[index];
        while (!line.empty() && (line.front() == L' ' || line.front() == L'\t'))
            line.remove_prefix(1);
        while (!line.empty() && (line.back() == L' ' || line.back() == L'\t'))
            line.remove_suffix(1);
        if (line.empty() || line.front() == L';')
            continue;
        if (line.front() == L'[') {
            if (line.back() != L']' || line.size() < 3 || line[1] == L'-')
                return std::nullopt;
            currentKey.assign(line.substr(1, line.size() - 2));
            if (std::find(script.keys.begin(), script.keys.end(), currentKey) == script.keys.end())
                script.keys.push_back(currentKey);
            continue;
        }
        if (currentKey.empty())
            return std::nullopt;
        ScriptValue value;
        value.key = currentKey;
        size_t pos = 0;
        if (line.front() == L'@') {
            pos = 1;
        } else if (line.front() == L'"') {
            std::optional<std::wstring> name = QuotedString(line, pos);
            if (!name)
                return std::nullopt;
            value.name = std::move(*name);
        } else {
            return std::nullopt;
        }
        if (pos >= line.size() || line[pos] != L'=')
            return std::nullopt;
        if (!ParseData(line.substr(pos + 1), value))
            return std::nullopt;
        script.values.push_back(std::move(value));
    }
    return script;
}
