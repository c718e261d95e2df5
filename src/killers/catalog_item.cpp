#include "killers/catalog_item.h"

#include "common/hex_digit.h"

#include <cstdio>
#include <cstring>

namespace catalog {

namespace {

uint32_t ReadU32(const Item& item, size_t offset) {
    return static_cast<uint32_t>(item[offset]) | static_cast<uint32_t>(item[offset + 1]) << 8 |
           static_cast<uint32_t>(item[offset + 2]) << 16 |
           static_cast<uint32_t>(item[offset + 3]) << 24;
}

uint16_t ReadU16(const Item& item, size_t offset) {
    return static_cast<uint16_t>(item[offset] | item[offset + 1] << 8);
}

void WriteU32(Item& item, size_t offset, uint32_t value) {
    for (int i = 0; i < 4; ++i)
        item[offset + i] = static_cast<unsigned char>(value >> (8 * i));
}

void SetChainLen(Item& item, int32_t value) {
    WriteU32(item, kChainLenOffset, static_cast<uint32_t>(value));
}

void SetChainEntry(Item& item, int position, uint32_t id) {
    WriteU32(item, kChainEntriesOffset + 4 * static_cast<size_t>(position), id);
}

void ClearChainEntries(Item& item) {
    for (int position = 0; position < kChainEntryCount; ++position)
        SetChainEntry(item, position, 0);
}

constexpr ProviderGuid kMsafdTcp = {
    0xE70F1AA0, 0xAB8B, 0x11CF, {0x8C, 0xA3, 0x00, 0x80, 0x5F, 0x48, 0xA1, 0x92}};
constexpr ProviderGuid kRsvp = {
    0x9D60A9E0, 0x337A, 0x11D0, {0xBD, 0x88, 0x00, 0x00, 0xC0, 0x82, 0xE6, 0x9A}};
constexpr ProviderGuid kMsafdNetbios = {
    0x8D5F1830, 0xC273, 0x11CF, {0x95, 0xC8, 0x00, 0x80, 0x5F, 0x48, 0xA1, 0x92}};
constexpr ProviderGuid kMsafdIrda = {
    0x11058240, 0xBE47, 0x11CF, {0x95, 0xC8, 0x00, 0x80, 0x5F, 0x48, 0xA1, 0x92}};
constexpr ProviderGuid kMsafdIrda2 = {
    0x11058241, 0xBE47, 0x11CF, {0x95, 0xC8, 0x00, 0x80, 0x5F, 0x48, 0xA1, 0x92}};
constexpr ProviderGuid kMsafdTcpIp6 = {
    0xF9EAB0C0, 0x26D4, 0x11D0, {0xBB, 0xBF, 0x00, 0xAA, 0x00, 0x6C, 0x34, 0xE4}};

constexpr char kMsafdDll[] = "%SystemRoot%\\system32\\msafd.dll";
constexpr char kMswsockDll[] = "%SystemRoot%\\system32\\mswsock.dll";
constexpr char kRsvpDll[] = "%SystemRoot%\\system32\\rsvpsp.dll";

// What a Windows version's own catalog holds: the base providers it ships and
// the DLL that serves them.
struct VersionDefaults {
    int code;
    std::array<ProviderGuid, 5> providers;
    size_t providerCount;
    const char* defaultDll;
    bool rsvpFallback;
};

constexpr VersionDefaults kVersionDefaults[] = {
    {5, {kMsafdTcp, kMsafdNetbios, kMsafdIrda, kMsafdIrda2}, 4, kMsafdDll, true},           // 2000
    {6, {kMsafdTcp, kMsafdNetbios, kMsafdIrda, kMsafdIrda2}, 4, kMswsockDll, true},         // XP
    {7, {kMsafdTcp, kMsafdNetbios, kMsafdIrda, kMsafdIrda2, kRsvp}, 5, kMswsockDll, false}, // 2003
    {8, {kMsafdTcp, kMsafdTcpIp6, kMsafdNetbios, kRsvp}, 4, kMswsockDll, false},            // 7
    {9, {kMsafdTcp, kMsafdTcpIp6, kMsafdNetbios, kRsvp}, 4, kMswsockDll, false},            // Vista
};

const VersionDefaults* DefaultsFor(int versionCode) {
    for (const VersionDefaults& defaults : kVersionDefaults)
        if (defaults.code == versionCode)
            return &defaults;
    return nullptr;
}

bool RewriteBaseProvider(Item& item, const VersionDefaults& defaults) {
    const ProviderGuid id = ProviderId(item);
    for (size_t i = 0; i < defaults.providerCount; ++i) {
        if (defaults.providers[i] == id) {
            ClearChainEntries(item);
            return SetLibraryPath(item, defaults.defaultDll);
        }
    }
    if (defaults.rsvpFallback && id == kRsvp) {
        ClearChainEntries(item);
        return SetLibraryPath(item, kRsvpDll);
    }
    return false;
}

// Takes DEADID out of one protocol chain; an id moved forward into the current
// position is not tested again.
void RemoveIdFromChain(Item& item, uint32_t deadId) {
    int32_t length = ChainLen(item);
    const int32_t before = length;
    for (int position = 0; position < kChainEntryCount; ++position) {
        if (ChainEntry(item, position) != deadId)
            continue;
        for (int next = position + 1; next < kChainEntryCount; ++next)
            SetChainEntry(item, next - 1, ChainEntry(item, next));
        SetChainEntry(item, kChainEntryCount - 1, 0);
        --length;
    }
    SetChainLen(item, length);
    // A chain of one id is no chain; one of none (an id listed twice) neither.
    if (length != before && length <= 1)
        item.fill(0);
}

} // namespace

std::string GuidText(const ProviderGuid& guid) {
    char text[39];
    std::snprintf(text, sizeof(text), "{%08X-%04X-%04X-%02X%02X-%02X%02X%02X%02X%02X%02X}",
                  static_cast<unsigned>(guid.data1), guid.data2, guid.data3, guid.data4[0],
                  guid.data4[1], guid.data4[2], guid.data4[3], guid.data4[4], guid.data4[5],
                  guid.data4[6], guid.data4[7]);
    return text;
}

std::optional<ProviderGuid> ParseGuid(std::string_view text) {
    // Positions of the hex digit pairs in "{XXXXXXXX-XXXX-XXXX-XXXX-XXXXXXXXXXXX}".
    constexpr size_t kLength = 38;
    if (text.size() != kLength || text.front() != '{' || text.back() != '}' || text[9] != '-' ||
        text[14] != '-' || text[19] != '-' || text[24] != '-')
        return std::nullopt;
    std::array<uint8_t, 16> bytes = {};
    size_t byte = 0;
    for (size_t i = 1; i + 1 < kLength && byte < bytes.size();) {
        if (text[i] == '-') {
            ++i;
            continue;
        }
        const int high = HexDigit(text[i]);
        const int low = HexDigit(text[i + 1]);
        if (high < 0 || low < 0)
            return std::nullopt;
        bytes[byte++] = static_cast<uint8_t>(high << 4 | low);
        i += 2;
    }
    ProviderGuid guid;
    guid.data1 = static_cast<uint32_t>(bytes[0]) << 24 | static_cast<uint32_t>(bytes[1]) << 16 |
                 static_cast<uint32_t>(bytes[2]) << 8 | bytes[3];
    guid.data2 = static_cast<uint16_t>(bytes[4] << 8 | bytes[5]);
    guid.data3 = static_cast<uint16_t>(bytes[6] << 8 | bytes[7]);
    for (size_t i = 0; i < 8; ++i)
        guid.data4[i] = bytes[8 + i];
    return guid;
}

std::string LibraryPath(const Item& item) {
    const auto* begin = reinterpret_cast<const char*>(item.data());
    const void* nul = std::memchr(begin, 0, kLibraryPathSize);
    const size_t length =
        nul ? static_cast<size_t>(static_cast<const char*>(nul) - begin) : kLibraryPathSize;
    return std::string(begin, length);
}

bool SetLibraryPath(Item& item, std::string_view text) {
    if (text.size() >= kLibraryPathSize || text.find('\0') != std::string_view::npos)
        return false;
    std::memcpy(item.data(), text.data(), text.size());
    item[text.size()] = 0;
    return true;
}

ProviderGuid ProviderId(const Item& item) {
    ProviderGuid guid;
    guid.data1 = ReadU32(item, kProviderIdOffset);
    guid.data2 = ReadU16(item, kProviderIdOffset + 4);
    guid.data3 = ReadU16(item, kProviderIdOffset + 6);
    for (size_t i = 0; i < 8; ++i)
        guid.data4[i] = item[kProviderIdOffset + 8 + i];
    return guid;
}

uint32_t CatalogEntryId(const Item& item) {
    return ReadU32(item, kCatalogEntryIdOffset);
}

int32_t ChainLen(const Item& item) {
    return static_cast<int32_t>(ReadU32(item, kChainLenOffset));
}

uint32_t ChainEntry(const Item& item, int position) {
    if (position < 0 || position >= kChainEntryCount)
        return 0;
    return ReadU32(item, kChainEntriesOffset + 4 * static_cast<size_t>(position));
}

std::optional<std::string> EntryName(int number) {
    if (number < 1 || number > kMaxEntries)
        return std::nullopt;
    std::string name = "000000000000";
    name[10] = static_cast<char>('0' + number / 10);
    name[11] = static_cast<char>('0' + number % 10);
    return name;
}

void RemoveLayeredProvider(std::vector<Item>& items, size_t index) {
    if (index >= items.size())
        return;
    const uint32_t deadId = CatalogEntryId(items[index]);
    items[index].fill(0);
    if (deadId == 0)
        return;
    for (Item& item : items)
        if (ChainLen(item) >= 2)
            RemoveIdFromChain(item, deadId);
}

bool RepairEntriesForPath(std::vector<Item>& items, std::string_view path, int versionCode) {
    const VersionDefaults* defaults = DefaultsFor(versionCode);
    if (defaults == nullptr)
        return true;
    if (path.empty())
        return false;
    for (size_t index = 0; index < items.size(); ++index) {
        if (IsEmptied(items[index]) || LibraryPath(items[index]) != path)
            continue;
        const int32_t chainLen = ChainLen(items[index]);
        if (chainLen < 0)
            return false;
        if (chainLen == kLayeredProvider) {
            RemoveLayeredProvider(items, index);
        } else if (chainLen == kBaseProvider) {
            if (!RewriteBaseProvider(items[index], *defaults))
                return false;
        } else if (!SetLibraryPath(items[index], defaults->defaultDll)) {
            return false;
        }
    }
    return true;
}

std::optional<std::string> ExpandPercentVariables(std::string_view text,
                                                  const EnvironmentLookup& lookup) {
    std::string result;
    auto append = [&result](std::string_view part) {
        if (part.size() >= kExpandedPathSize - result.size())
            return false;
        result.append(part);
        return true;
    };
    size_t position = 0;
    while (position < text.size()) {
        const size_t open = text.find('%', position);
        const size_t close = open == std::string_view::npos ? open : text.find('%', open + 1);
        if (close == std::string_view::npos) {
            if (!append(text.substr(position)))
                return std::nullopt;
            break;
        }
        if (!append(text.substr(position, open - position)))
            return std::nullopt;
        const std::string name(text.substr(open + 1, close - open - 1));
        std::string value;
        const Lookup found = name.empty() ? Lookup::Undefined : lookup(name, value);
        if (found == Lookup::Failed)
            return std::nullopt;
        if (found == Lookup::Defined) {
            if (!append(value))
                return std::nullopt;
            position = close + 1;
        } else {
            if (!append(text.substr(open, close - open)))
                return std::nullopt;
            position = close;
        }
    }
    return result;
}

std::optional<std::vector<size_t>> FindMissingProviders(const std::vector<Item>& items,
                                                        const FileLookup& probe) {
    std::vector<size_t> missing;
    for (size_t index = 0; index < items.size(); ++index) {
        const std::string path = LibraryPath(items[index]);
        if (path.empty())
            return std::nullopt;
        const FileProbe found = probe(path);
        if (found == FileProbe::Failed)
            return std::nullopt;
        if (found == FileProbe::Missing)
            missing.push_back(index);
    }
    return missing;
}

bool RepairMissingProviders(std::vector<Item>& items, const std::vector<size_t>& missing,
                            int versionCode, const FileLookup& probe) {
    for (size_t index : missing) {
        if (index >= items.size())
            return false;
        if (IsEmptied(items[index]))
            continue;
        const std::string path = LibraryPath(items[index]);
        const FileProbe found = probe(path);
        if (found == FileProbe::Failed)
            return false;
        if (found == FileProbe::Found)
            continue;
        if (!RepairEntriesForPath(items, path, versionCode))
            return false;
    }
    return true;
}

} // namespace catalog
