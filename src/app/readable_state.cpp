#include "app/readable_state.h"

#include <windows.h>

#include "common/file_digest.h"
#include "journal/journal_line.h"
#include "journal/registry_state.h"
#include "sysfile/file_version.h"

namespace {

// Values of more than this many bytes are left to the state text.
constexpr size_t kLongestShownValue = 64 * 1024;

// UTF-16LE units of BYTES, without the zeros that end them.
std::wstring TextOfBytes(const std::vector<unsigned char>& bytes) {
    std::wstring text(bytes.size() / 2, L'\0');
    for (size_t i = 0; i < text.size(); ++i)
        text[i] = static_cast<wchar_t>(bytes[2 * i] | (bytes[2 * i + 1] << 8));
    while (!text.empty() && text.back() == L'\0')
        text.pop_back();
    return text;
}

nlohmann::json ReadableValue(const ValueState& value) {
    if (value.bytes.size() > kLongestShownValue)
        return nullptr;
    switch (value.type) {
    case REG_SZ:
    case REG_EXPAND_SZ:
        return {{"type", value.type == REG_SZ ? "REG_SZ" : "REG_EXPAND_SZ"},
                {"text", ToUtf8(TextOfBytes(value.bytes))}};
    case REG_MULTI_SZ: {
        nlohmann::json texts = nlohmann::json::array();
        const std::wstring all = TextOfBytes(value.bytes);
        for (size_t at = 0; at < all.size();) {
            const size_t end = std::min(all.find(L'\0', at), all.size());
            texts.push_back(ToUtf8(all.substr(at, end - at)));
            at = end + 1;
        }
        return {{"type", "REG_MULTI_SZ"}, {"texts", texts}};
    }
    case REG_DWORD:
        if (value.bytes.size() != 4)
            return nullptr;
        return {{"type", "REG_DWORD"},
                {"number", static_cast<unsigned long>(value.bytes[0]) |
                               (static_cast<unsigned long>(value.bytes[1]) << 8) |
                               (static_cast<unsigned long>(value.bytes[2]) << 16) |
                               (static_cast<unsigned long>(value.bytes[3]) << 24)}};
    }
    return nullptr;
}

nlohmann::json ReadableFile(const std::wstring& path) {
    WIN32_FILE_ATTRIBUTE_DATA data = {};
    if (!GetFileAttributesExW(path.c_str(), GetFileExInfoStandard, &data))
        return nullptr;
    nlohmann::json file = {
        {"size", (static_cast<unsigned long long>(data.nFileSizeHigh) << 32) | data.nFileSizeLow}};
    std::wstring version;
    if (FileVersionString(path, version) && !version.empty())
        file["version"] = ToUtf8(version);
    return file;
}

bool HasDigest(const std::wstring& path, const std::wstring& md5) {
    Digest digest = {};
    return !path.empty() && DigestOfFile(path, digest) &&
           HexOf(digest.data(), digest.size()) == md5;
}

} // namespace

nlohmann::json ReadableState(const std::wstring& state, const std::wstring& copiesFolder,
                             const std::vector<std::wstring>& candidates) {
    if (state.compare(0, 6, L"value:") == 0) {
        const std::optional<ValueState> value = ValueStateOfText(state);
        return value && value->present ? ReadableValue(*value) : nullptr;
    }
    const std::optional<FileStateText> file = ParseFileState(state);
    if (!file || !file->present)
        return nullptr;
    if (!copiesFolder.empty()) {
        const std::wstring copy = copiesFolder + L"\\" + file->md5;
        if (GetFileAttributesW(copy.c_str()) != INVALID_FILE_ATTRIBUTES)
            return ReadableFile(copy);
    }
    for (const std::wstring& candidate : candidates)
        if (HasDigest(candidate, file->md5))
            return ReadableFile(candidate);
    return nullptr;
}
