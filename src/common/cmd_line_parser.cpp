#include "common/cmd_line_parser.h"

#include <windows.h>
#include <shlobj.h>

#include <cwchar>
#include <vector>

#include "common/network_path.h"
#include "common/system_locations.h"

namespace {

constexpr size_t kPathUnits = CCmdLineParser::kPathUnits;
constexpr wchar_t kDefaultExtensions[] = L"bat;cmd;exe;pif";
constexpr wchar_t kFileUrl[] = L"file://";
constexpr size_t kFileUrlLength = 7;
// The environment block allows values up to this many characters.
constexpr DWORD kMaxEnvironmentValue = 32767;

bool IsBlank(wchar_t c) {
    return c == L' ' || c == L'\t';
}

bool StartsWithNoCase(const std::wstring& text, const wchar_t* prefix) {
    const size_t length = std::wcslen(prefix);
    return text.size() >= length && _wcsnicmp(text.c_str(), prefix, length) == 0;
}

// "file://C:..." names a drive: the character at index 8 is its colon.
bool IsFileUrlWithDrive(const wchar_t* text, size_t length) {
    return length > 8 && _wcsnicmp(text, kFileUrl, kFileUrlLength) == 0 && text[8] == L':';
}

bool IsAbsolute(const std::wstring& text) {
    return (text.size() >= 2 && text[1] == L':') || StartsWithNoCase(text, L"\\\\") ||
           StartsWithNoCase(text, kFileUrl);
}

// Copies the first LENGTH characters of TEXT into OUT, which may hold at most
// CAPACITY - 1 characters: "file://server/..." becomes "\\server\...", "/"
// becomes "\", and a run of separators collapses into one. False when it does
// not fit.
bool NormalizingCopy(const wchar_t* text, size_t length, size_t capacity, std::wstring& out) {
    out.clear();
    if (capacity == 0)
        return false;
    size_t i = 0;
    if (length >= 2 && text[0] == L'\\' && text[1] == L'\\') {
        out = L"\\\\";
        i = 2;
    } else if (length >= kFileUrlLength && _wcsnicmp(text, kFileUrl, kFileUrlLength) == 0) {
        i = kFileUrlLength;
        if (!IsFileUrlWithDrive(text, length))
            out = L"\\\\";
    }
    if (out.size() > capacity - 1)
        return false;
    // Separators right behind a UNC start fold into it.
    bool afterSeparator = !out.empty();
    for (; i < length; ++i) {
        const wchar_t c = text[i] == L'/' ? L'\\' : text[i];
        if (c == L'\\' && afterSeparator)
            continue;
        afterSeparator = c == L'\\';
        if (out.size() + 1 > capacity - 1)
            return false;
        out.push_back(c);
    }
    return true;
}

bool NormalizingCopy(const wchar_t* text, size_t capacity, std::wstring& out) {
    return NormalizingCopy(text, std::wcslen(text), capacity, out);
}

// The first network path the current Parse would have had to open; parsers
// run on one thread at a time, like the run.
std::wstring& SkippedNetworkCandidate() {
    static std::wstring skipped;
    return skipped;
}

bool IsExistingFile(const std::wstring& candidate) {
    // Not even its attributes are asked for: that would hand the
    // administrator's credentials to a host the command line chose.
    if (IsNetworkPath(candidate)) {
        if (SkippedNetworkCandidate().empty())
            SkippedNetworkCandidate() = candidate;
        return false;
    }
    const UINT previous = SetErrorMode(SEM_FAILCRITICALERRORS | SEM_NOOPENFILEERRORBOX);
    const DWORD attributes = GetFileAttributesW(candidate.c_str());
    SetErrorMode(previous);
    return attributes != INVALID_FILE_ATTRIBUTES && !(attributes & FILE_ATTRIBUTE_DIRECTORY);
}

// Whether CANDIDATE names a file, as it stands or, when its file name has no
// dot, with one of EXTENSIONS appended (the hit is left in CANDIDATE).
bool ExistsAsFile(std::wstring& candidate, const wchar_t* extensions) {
    if (IsExistingFile(candidate))
        return true;
    if (extensions == nullptr)
        return false;
    const size_t separator = candidate.rfind(L'\\');
    const size_t nameStart = separator == std::wstring::npos ? 0 : separator + 1;
    if (candidate.find(L'.', nameStart) != std::wstring::npos)
        return false;
    for (const wchar_t* ext = extensions; *ext != L'\0';) {
        const wchar_t* end = std::wcschr(ext, L';');
        const size_t length = end ? static_cast<size_t>(end - ext) : std::wcslen(ext);
        if (length != 0) {
            std::wstring extended = candidate + L'.' + std::wstring(ext, length);
            if (extended.size() < kPathUnits && IsExistingFile(extended)) {
                candidate = std::move(extended);
                return true;
            }
        }
        ext += end ? length + 1 : length;
    }
    return false;
}

// DIRECTORY, a backslash, and NAME without its leading separators, in at most
// 259 characters.
bool JoinToDirectory(const std::wstring& directory, const wchar_t* name, std::wstring& out) {
    if (directory.empty())
        return false;
    out = directory;
    if (out.back() != L'\\')
        out += L'\\';
    while (*name == L'\\' || *name == L'/')
        ++name;
    if (out.size() + 3 > kPathUnits)
        return false;
    std::wstring tail;
    if (!NormalizingCopy(name, kPathUnits - out.size(), tail))
        return false;
    out += tail;
    return true;
}

std::wstring WithoutTrailingBackslash(std::wstring path) {
    if (!path.empty() && path.back() == L'\\')
        path.pop_back();
    return path;
}

// Where the file-name part of a relative TEXT ends: at the closing double
// quote when quoted (false without one), else at the first blank.
bool FileNamePartEnd(const std::wstring& text, bool quoted, size_t& end) {
    if (quoted) {
        end = text.find(L'"');
        return end != std::wstring::npos;
    }
    end = 0;
    while (end < text.size() && !IsBlank(text[end]))
        ++end;
    return true;
}

bool ShellFolder(int csidl, std::wstring& folder) {
    wchar_t buffer[MAX_PATH] = {};
    if (!ReadShellFolder(csidl, buffer))
        return false;
    folder = buffer;
    return true;
}

bool TempDirectory(std::wstring& folder) {
    wchar_t buffer[MAX_PATH + 1] = {};
    const DWORD length = GetTempPathW(ARRAYSIZE(buffer), buffer);
    if (length == 0 || length >= ARRAYSIZE(buffer))
        return false;
    folder = buffer;
    return true;
}

bool KnownDirectory(const wchar_t* known, std::wstring& folder) {
    folder = known;
    return !folder.empty();
}

// TEXT with the environment prefix at its start replaced by its directory.
bool ExpandEnvironmentPrefix(const std::wstring& text, std::wstring& expanded) {
    enum class Source { Windows, ProgramFiles, CommonProgramFiles, Temp };
    static const struct {
        const wchar_t* prefix;
        Source source;
    } kPrefixes[] = {
        {L"%SystemRoot%", Source::Windows},
        {L"%windir%", Source::Windows},
        {L"%ProgramFiles%", Source::ProgramFiles},
        {L"%CommonProgramFiles%", Source::CommonProgramFiles},
        {L"%Temp%", Source::Temp},
        {L"%Tmp%", Source::Temp},
    };
    for (const auto& entry : kPrefixes) {
        if (!StartsWithNoCase(text, entry.prefix))
            continue;
        std::wstring directory;
        bool known = false;
        switch (entry.source) {
        case Source::Windows:
            known = KnownDirectory(TheSystemLocations().windowsDirectory, directory);
            break;
        case Source::ProgramFiles:
            known = ShellFolder(CSIDL_PROGRAM_FILES, directory);
            break;
        case Source::CommonProgramFiles:
            known = ShellFolder(CSIDL_PROGRAM_FILES_COMMON, directory);
            break;
        case Source::Temp:
            known = TempDirectory(directory);
            break;
        }
        if (!known)
            return false;
        expanded = WithoutTrailingBackslash(directory) + text.substr(std::wcslen(entry.prefix));
        return true;
    }
    return false;
}

// The "path" environment variable, read afresh: it may change between searches.
std::wstring SearchPathVariable() {
    const DWORD needed = GetEnvironmentVariableW(L"path", nullptr, 0);
    if (needed == 0 || needed > kMaxEnvironmentValue + 1)
        return {};
    std::vector<wchar_t> buffer(needed);
    const DWORD length = GetEnvironmentVariableW(L"path", buffer.data(), needed);
    if (length == 0 || length >= needed)
        return {};
    return std::wstring(buffer.data(), length);
}

bool HasDotsOnlyComponent(const std::wstring& name) {
    size_t start = 0;
    while (start <= name.size()) {
        size_t end = name.find(L'\\', start);
        if (end == std::wstring::npos)
            end = name.size();
        if (end > start && name.find_first_not_of(L'.', start) >= end)
            return true;
        start = end + 1;
    }
    return false;
}

} // namespace

int CCmdLineParser::Parse(const wchar_t* commandLine, const wchar_t* baseDirectory,
                          const wchar_t* extensions) {
    path_[0] = L'\0';
    arguments_.clear();
    hasArguments_ = false;
    skippedNetworkPath_.clear();
    SkippedNetworkCandidate().clear();
    if (commandLine == nullptr || *commandLine == L'\0')
        return 0;
    if (baseDirectory != nullptr && *baseDirectory == L'\0')
        baseDirectory = nullptr;
    if (extensions != nullptr && *extensions != L'\0')
        extensions_ = extensions;
    else
        extensions_ = (flags_ & DefaultExtensions) ? kDefaultExtensions : nullptr;

    while (IsBlank(*commandLine))
        ++commandLine;
    bool quoted = false;
    while (*commandLine == L'"') {
        ++commandLine;
        quoted = true;
    }
    std::wstring text = commandLine;
    if (StartsWithNoCase(text, L"\\??\\"))
        text.erase(0, 4);
    if (IsFileUrlWithDrive(text.c_str(), text.size()))
        text.erase(0, kFileUrlLength);

    bool found = false;
    if (!text.empty() && text[0] == L'%') {
        std::wstring expanded;
        found = ExpandEnvironmentPrefix(text, expanded) && ResolveAbsolute(expanded, quoted);
    } else if (IsAbsolute(text)) {
        found = ResolveAbsolute(text, quoted);
    } else {
        if (baseDirectory != nullptr || (flags_ & ResolveRelative))
            found = ResolveRelativeToDirectory(text, quoted, baseDirectory);
        if (!found && (flags_ & SearchSystemPaths))
            found = ResolveWithSystemPrefix(text, quoted) || SearchSystemLocations(text, quoted);
    }
    skippedNetworkPath_ = SkippedNetworkCandidate();
    if (!found) {
        path_[0] = L'\0';
        arguments_.clear();
        hasArguments_ = false;
        return 0;
    }
    return 1;
}

bool CCmdLineParser::StoreLongPath(const std::wstring& candidate) {
    wchar_t longPath[kPathUnits] = {};
    const DWORD length = GetLongPathNameW(candidate.c_str(), longPath, kPathUnits);
    if (length == 0 || length >= kPathUnits)
        return false;
    std::wcscpy(path_, longPath);
    return true;
}

void CCmdLineParser::CaptureArguments(const std::wstring& text, size_t from) {
    if (!(flags_ & KeepArguments))
        return;
    while (from < text.size() && text[from] == L'"')
        ++from;
    while (from < text.size() && IsBlank(text[from]))
        ++from;
    if (from < text.size()) {
        arguments_ = text.substr(from);
        hasArguments_ = true;
    }
}

bool CCmdLineParser::ResolveAbsolute(const std::wstring& text, bool quoted) {
    path_[0] = L'\0';
    if (!IsAbsolute(text))
        return false;
    size_t argumentStart = 0;
    if (quoted) {
        const size_t closing = text.find(L'"');
        if (closing == std::wstring::npos)
            return false;
        std::wstring candidate;
        if (!NormalizingCopy(text.c_str(), closing, kPathUnits, candidate) ||
            !ExistsAsFile(candidate, extensions_) || !StoreLongPath(candidate))
            return false;
        argumentStart = closing;
    } else {
        // Unquoted names may hold spaces: every prefix that ends at a blank is
        // a candidate, and the longest that exists wins.
        size_t end = 0;
        for (;;) {
            while (end < text.size() && !IsBlank(text[end]))
                ++end;
            std::wstring candidate;
            if (!NormalizingCopy(text.c_str(), end, kPathUnits, candidate))
                break;
            if (ExistsAsFile(candidate, extensions_) && StoreLongPath(candidate))
                argumentStart = end;
            while (end < text.size() && IsBlank(text[end]))
                ++end;
            if (end >= text.size())
                break;
        }
    }
    if (path_[0] == L'\0')
        return false;
    CaptureArguments(text, argumentStart);
    return true;
}

bool CCmdLineParser::ResolveRelativeToDirectory(const std::wstring& text, bool quoted,
                                                const wchar_t* baseDirectory) {
    std::wstring directory;
    if (baseDirectory != nullptr) {
        if (!NormalizingCopy(baseDirectory, kPathUnits, directory))
            return false;
    } else {
        wchar_t current[kPathUnits] = {};
        const DWORD length = GetCurrentDirectoryW(kPathUnits, current);
        if (length == 0 || length >= kPathUnits)
            return false;
        directory = current;
    }
    directory = WithoutTrailingBackslash(directory);

    size_t nameEnd = 0;
    std::wstring name;
    if (directory.empty() || !FileNamePartEnd(text, quoted, nameEnd) ||
        !NormalizingCopy(text.c_str(), nameEnd, kPathUnits, name) || name.empty() ||
        name.back() == L'\\')
        return false;
    size_t start = 0;
    while (start < name.size()) {
        size_t end = name.find(L'\\', start);
        if (end == std::wstring::npos)
            end = name.size();
        const std::wstring component = name.substr(start, end - start);
        if (component == L"..") {
            // A UNC start ("\\server") is no component to remove.
            const size_t last = directory.rfind(L'\\');
            if (last == std::wstring::npos || (last < 2 && StartsWithNoCase(directory, L"\\\\")))
                return false;
            directory.erase(last);
        } else if (!component.empty() && component != L".") {
            directory += L'\\';
            directory += component;
            if (directory.size() >= kPathUnits)
                return false;
        }
        start = end + 1;
    }
    // The rest of the command line, from the closing quote or the blank on,
    // carries the arguments to the absolute resolution.
    return ResolveAbsolute(directory + text.substr(nameEnd), quoted);
}

bool CCmdLineParser::ResolveWithSystemPrefix(const std::wstring& text, bool quoted) {
    const SystemLocations& locations = TheSystemLocations();
    std::wstring directory;
    size_t prefixLength = 0;
    if (StartsWithNoCase(text, L"SystemRoot")) {
        directory = locations.windowsDirectory;
        prefixLength = 10;
    } else if (StartsWithNoCase(text, L"system32")) {
        directory = locations.systemDirectory;
        prefixLength = 8;
    }
    if (directory.empty())
        return false;
    return ResolveAbsolute(WithoutTrailingBackslash(directory) + text.substr(prefixLength), quoted);
}

bool CCmdLineParser::SearchSystemLocations(const std::wstring& text, bool quoted) {
    size_t nameEnd = 0;
    std::wstring name;
    if (!FileNamePartEnd(text, quoted, nameEnd) ||
        !NormalizingCopy(text.c_str(), nameEnd, kPathUnits, name) || name.empty() ||
        name.front() == L'\\' || name.back() == L'\\' || HasDotsOnlyComponent(name))
        return false;

    const SystemLocations& locations = TheSystemLocations();
    std::wstring candidate;
    bool hit = false;
    for (const wchar_t* directory : {locations.systemDirectory, locations.windowsDirectory}) {
        if (!hit)
            hit = JoinToDirectory(directory, name.c_str(), candidate) &&
                  ExistsAsFile(candidate, extensions_);
    }
    const std::wstring searchPath = hit ? std::wstring() : SearchPathVariable();
    for (size_t start = 0; !hit && start < searchPath.size();) {
        while (start < searchPath.size() &&
               (searchPath[start] == L';' || IsBlank(searchPath[start])))
            ++start;
        size_t end = searchPath.find(L';', start);
        if (end == std::wstring::npos)
            end = searchPath.size();
        std::wstring entry;
        if (end > start &&
            NormalizingCopy(searchPath.c_str() + start, end - start, kPathUnits, entry))
            hit = JoinToDirectory(entry, name.c_str(), candidate) &&
                  ExistsAsFile(candidate, extensions_);
        start = end;
    }
    if (!hit || !StoreLongPath(candidate))
        return false;
    CaptureArguments(text, nameEnd);
    return true;
}
