// libFuzzer harness for the byte-level catalog logic, built natively with
// AddressSanitizer and UndefinedBehaviorSanitizer.
//
// Input: one byte choosing the Windows version code (codes outside 5 to 9
// included), eight bytes saying which items' DLLs exist, then whole 888-byte
// items (at most 49); a trailing partial item is used as a percent text.

#include <cstdint>
#include <cstdlib>
#include <cstring>
#include <set>
#include <string>
#include <vector>

#include "killers/catalog_item.h"

namespace {

void Check(bool condition) {
    if (!condition)
        std::abort();
}

catalog::Lookup FakeEnvironment(const std::string& name, std::string& value) {
    if (name == "SystemRoot") {
        value = "C:\\WINDOWS";
        return catalog::Lookup::Defined;
    }
    if (name == "LONG") {
        value.assign(1000, 'x');
        return catalog::Lookup::Defined;
    }
    if (name == "FAIL")
        return catalog::Lookup::Failed;
    return catalog::Lookup::Undefined;
}

void CheckExpansion(const std::string& text) {
    const auto expanded = catalog::ExpandPercentVariables(text, FakeEnvironment);
    if (expanded)
        Check(expanded->size() < catalog::kExpandedPathSize);
}

} // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
    if (size < 9)
        return 0;
    const int versionCode = data[0] % 11;
    uint64_t present = 0;
    std::memcpy(&present, data + 1, sizeof(present));
    data += 9;
    size -= 9;

    const size_t count = std::min<size_t>(size / catalog::kItemSize, catalog::kMaxEntries);
    std::vector<catalog::Item> items(count);
    for (size_t i = 0; i < count; ++i)
        std::memcpy(items[i].data(), data + i * catalog::kItemSize, catalog::kItemSize);
    const std::string tail(reinterpret_cast<const char*>(data + count * catalog::kItemSize),
                           size - count * catalog::kItemSize);
    CheckExpansion(tail);

    std::set<std::string> existing;
    for (size_t i = 0; i < count; ++i) {
        const std::string path = catalog::LibraryPath(items[i]);
        Check(path.size() <= catalog::kLibraryPathSize);
        CheckExpansion(path);
        if (present >> i & 1)
            existing.insert(path);
        const catalog::ProviderGuid id = catalog::ProviderId(items[i]);
        const auto parsed = catalog::ParseGuid(catalog::GuidText(id));
        Check(parsed && *parsed == id);
    }
    for (int number = 0; number <= catalog::kMaxEntries + 1; ++number) {
        const auto name = catalog::EntryName(number);
        Check(name.has_value() == (number >= 1 && number <= catalog::kMaxEntries));
    }

    const catalog::FileLookup probe = [&existing](const std::string& path) {
        if (path.size() > 200 && path[200] == '!')
            return catalog::FileProbe::Failed;
        return existing.count(path) ? catalog::FileProbe::Found : catalog::FileProbe::Missing;
    };
    const auto missing = catalog::FindMissingProviders(items, probe);
    if (!missing)
        return 0;
    std::vector<catalog::Item> repaired = items;
    catalog::RepairMissingProviders(repaired, *missing, versionCode, probe);
    Check(repaired.size() == items.size());
    for (size_t i = 0; i < count; ++i) {
        // Only items with a missing DLL, or chains through them, may change.
        if (repaired[i] != items[i] && catalog::ChainLen(items[i]) < 2)
            Check(!existing.count(catalog::LibraryPath(items[i])));
        // A repaired path always fits with its terminator.
        const std::string after = catalog::LibraryPath(repaired[i]);
        Check(after.size() < catalog::kLibraryPathSize || after == catalog::LibraryPath(items[i]));
    }
    catalog::Item copy = count ? items[0] : catalog::Item{};
    if (catalog::SetLibraryPath(copy, tail))
        Check(catalog::LibraryPath(copy) == tail);
    return 0;
}
