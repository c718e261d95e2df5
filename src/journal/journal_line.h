#pragma once

#include <optional>
#include <string>
#include <string_view>
#include <vector>

// The journal's manifest is UTF-8 text, one record per line, fields separated
// by TAB. Inside a field '%' and every control character are written as '%'
// and two upper-case hex digits, so that paths and value names of any content
// survive. A line counts only when it ends in LF: a line cut short by a crash
// is passed over. Kept free of windows.h so that the reader can be fuzzed.

constexpr std::string_view kManifestHeader = "quillanTools change journal 1";

// UTF-16 code units held in wchar_t (as on Windows) to UTF-8 and back; lone
// surrogates and invalid bytes become U+FFFD.
std::string ToUtf8(std::wstring_view text);
std::wstring FromUtf8(std::string_view text);

std::string EscapeField(std::wstring_view field);
// Nothing when a '%' is not followed by two hex digits.
std::optional<std::wstring> UnescapeField(std::string_view field);

// One line from FIELDS, ending in LF.
std::string FormatLine(const std::vector<std::wstring>& fields);

// The complete lines of a manifest (LF-terminated; a CR before the LF is
// dropped), each split into unescaped fields. A line with a bad escape is
// returned as a line with no fields, so that its reader can refuse it.
std::vector<std::vector<std::wstring>> ParseLines(std::string_view text);

// The length of TEXT's complete lines: up to and with its last LF, so that
// a line cut short by a crash can be cut off before anything is appended
// (appended straight after it, a new line would be glued to it).
size_t CompleteLinesLength(std::string_view text);

// Lower-case hex of BYTES, and back (nothing on odd length or a non-hex digit).
std::wstring HexOf(const unsigned char* bytes, size_t size);
std::optional<std::vector<unsigned char>> BytesOfHex(std::wstring_view hex);

// A file's state in the manifest: "absent", or "file:<md5>" with
// ":<attributes>" (8 hex digits) when its attributes were kept too.
struct FileStateText {
    bool present = false;
    std::wstring md5; // 32 lower-case hex digits
    bool hasAttributes = false;
    unsigned long attributes = 0;
};
std::wstring FormatFileState(const FileStateText& state);
std::optional<FileStateText> ParseFileState(std::wstring_view text);

// A file's attributes alone: "attributes:" and 8 hex digits.
std::wstring FormatAttributesState(unsigned long attributes);
std::optional<unsigned long> ParseAttributesState(std::wstring_view text);
