// libFuzzer harness for what the undo reads back from a journal and what the
// journal reads from a registry script before it is imported: the manifest's
// line and field format and the registry script reader. Built natively with
// AddressSanitizer and UndefinedBehaviorSanitizer.
//
// Input: the bytes of a manifest; the same bytes, taken as UTF-8, are also
// read as a registry script.

#include <cstdint>
#include <cstdlib>
#include <string>
#include <string_view>
#include <vector>

#include "journal/journal_line.h"
#include "journal/registry_script.h"

namespace {

void Check(bool condition) {
    if (!condition)
        std::abort();
}

void CheckFields(const std::vector<std::wstring>& fields) {
    // What the manifest writer makes of a line, its reader gives back.
    const std::vector<std::vector<std::wstring>> again = ParseLines(FormatLine(fields));
    Check(again.size() == 1 && again[0] == fields);
    for (const std::wstring& field : fields) {
        if (const auto state = ParseFileState(field)) {
            Check(!state->present || state->md5.size() == 32);
            const auto reread = ParseFileState(FormatFileState(*state));
            Check(reread && reread->present == state->present && reread->md5 == state->md5);
        }
        if (const auto attributes = ParseAttributesState(field))
            Check(ParseAttributesState(FormatAttributesState(*attributes)) == attributes);
        if (const auto bytes = BytesOfHex(field))
            Check(bytes->size() * 2 == field.size());
    }
}

} // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
    const std::string_view text(reinterpret_cast<const char*>(data), size);
    const std::vector<std::vector<std::wstring>> lines = ParseLines(text);
    for (const std::vector<std::wstring>& line : lines) {
        if (!line.empty())
            CheckFields(line);
    }
    // Cutting off a torn last line loses no complete line, and a line
    // appended after the cut reads back as itself.
    const size_t complete = CompleteLinesLength(text);
    Check(complete <= text.size());
    std::string ended(text.substr(0, complete));
    Check(ParseLines(ended) == lines);
    ended += FormatLine({L"undone", L"20261211-101010"});
    const std::vector<std::vector<std::wstring>> appended = ParseLines(ended);
    Check(appended.size() == lines.size() + 1 && appended.back().size() == 2 &&
          appended.back()[1] == L"20261211-101010");
    if (const auto script = ParseRegistryScript(FromUtf8(text))) {
        for (const ScriptValue& value : script->values)
            Check(value.type <= 11);
    }
    return 0;
}
