#pragma once

// The byte-level side of the Winsock provider catalog: reading and editing the
// 888-byte PackedCatalogItem values by offset, and the repair of entries whose
// provider DLL is gone. Free of windows.h so that it also builds natively for
// fuzzing; whatever needs the system (the environment, the file system, the
// Windows version) comes in as an argument.

#include <array>
#include <cstddef>
#include <cstdint>
#include <functional>
#include <optional>
#include <string>
#include <string_view>
#include <vector>

namespace catalog {

// One PackedCatalogItem: a 260-byte ANSI library path, then a
// WSAPROTOCOL_INFOW structure, little-endian.
constexpr size_t kItemSize = 888;
using Item = std::array<unsigned char, kItemSize>;

constexpr size_t kLibraryPathSize = 260;
constexpr size_t kProviderIdOffset = 280;
constexpr size_t kCatalogEntryIdOffset = 296;
constexpr size_t kChainLenOffset = 300;
constexpr size_t kChainEntriesOffset = 304;
constexpr int kChainEntryCount = 7;

// ChainLen of a layered provider and of a base provider; 2 and more is a
// protocol chain.
constexpr int32_t kLayeredProvider = 0;
constexpr int32_t kBaseProvider = 1;

// Entry keys are named by two decimal digits, so a catalog holds at most 49.
constexpr int kMaxEntries = 49;

struct ProviderGuid {
    uint32_t data1 = 0;
    uint16_t data2 = 0;
    uint16_t data3 = 0;
    std::array<uint8_t, 8> data4 = {};

    bool operator==(const ProviderGuid& other) const {
        return data1 == other.data1 && data2 == other.data2 && data3 == other.data3 &&
               data4 == other.data4;
    }
    bool operator!=(const ProviderGuid& other) const { return !(*this == other); }
};

// "{XXXXXXXX-XXXX-XXXX-XXXX-XXXXXXXXXXXX}", upper case: the system's own form.
std::string GuidText(const ProviderGuid& guid);
// Parses that form in either letter case; nothing for anything else.
std::optional<ProviderGuid> ParseGuid(std::string_view text);

// The library path: the bytes before the first NUL, all 260 when there is none.
std::string LibraryPath(const Item& item);
// Writes TEXT and its NUL at the start of the path; the bytes after the NUL
// stay. False, changing nothing, when TEXT holds a NUL or does not fit.
bool SetLibraryPath(Item& item, std::string_view text);
// An item whose path is empty is a slot a repair emptied.
inline bool IsEmptied(const Item& item) {
    return item[0] == 0;
}

ProviderGuid ProviderId(const Item& item);
uint32_t CatalogEntryId(const Item& item);
int32_t ChainLen(const Item& item);
uint32_t ChainEntry(const Item& item, int position); // position 0 to 6

// The name of an entry key: twelve digits, the entry number in the last two.
// Nothing for numbers outside 1 to 49.
std::optional<std::string> EntryName(int number);

// Zeroes the layered provider at INDEX and takes its catalog entry id out of
// every protocol chain; a chain left with at most one id is zeroed as well.
void RemoveLayeredProvider(std::vector<Item>& items, size_t index);

// Repairs every item whose library path is PATH, byte for byte: a layered
// provider is removed, a base provider is pointed at the default DLL of the
// Windows version (VERSIONCODE, 5 to 9) and a protocol chain at that DLL.
// Other version codes change nothing. False when an item cannot be repaired
// (an unknown base provider, a negative ChainLen): the items before it stay
// repaired, it and the later ones as they were.
bool RepairEntriesForPath(std::vector<Item>& items, std::string_view path, int versionCode);

// What an environment lookup found for a name.
enum class Lookup { Defined, Undefined, Failed };
using EnvironmentLookup = std::function<Lookup(const std::string& name, std::string& value)>;

// Replaces each %NAME% by the value LOOKUP gives; a name it does not define is
// kept as written, and its closing percent sign may open the next reference,
// as the system's own expansion does. A single percent sign without a partner
// stays as it is. Nothing when a lookup fails or the result would not fit
// 1024 bytes with its terminator.
constexpr size_t kExpandedPathSize = 1024;
std::optional<std::string> ExpandPercentVariables(std::string_view text,
                                                  const EnvironmentLookup& lookup);

// Whether the DLL a library path names can be found.
enum class FileProbe { Found, Missing, Failed };
using FileLookup = std::function<FileProbe(const std::string& libraryPath)>;

// The indices of the items whose DLL is missing, in catalog order. Nothing when
// an item's path cannot be looked at (or is empty).
std::optional<std::vector<size_t>> FindMissingProviders(const std::vector<Item>& items,
                                                        const FileLookup& probe);

// Repairs the items listed in MISSING, in order, skipping those an earlier
// repair of this pass emptied or pointed at an existing DLL. False at the first
// item that cannot be looked at or repaired; the repairs before it stay.
bool RepairMissingProviders(std::vector<Item>& items, const std::vector<size_t>& missing,
                            int versionCode, const FileLookup& probe);

} // namespace catalog
