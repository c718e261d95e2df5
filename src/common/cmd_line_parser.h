#pragma once

#include <string>

// Turns the command line an autostart value, a service or a shortcut holds
// into the full long path of the file it would start, and the argument text
// behind it. Only the file system judges: a candidate counts when a file (not
// a directory) exists there. A candidate on a network is never opened and so
// never counts.
class CCmdLineParser {
public:
    enum Flags : unsigned {
        ResolveRelative = 1,   // a relative name is tried against the current directory
        SearchSystemPaths = 2, // and with the SystemRoot/system32 prefixes and on the search path
        DefaultExtensions = 4, // without an extension list, "bat;cmd;exe;pif" is tried
        KeepArguments = 8,     // the text behind the file name is kept
        AllFlags = 15,
    };
    static constexpr size_t kPathUnits = 260; // MAX_PATH, terminator included

    explicit CCmdLineParser(unsigned flags) : flags_(flags) {}
    virtual ~CCmdLineParser() = default;
    CCmdLineParser(const CCmdLineParser&) = delete;
    CCmdLineParser& operator=(const CCmdLineParser&) = delete;

    // 1 when COMMAND_LINE names an existing file (then Path() holds its long
    // path), otherwise 0 with Path() empty. A null or empty BASE_DIRECTORY or
    // EXTENSIONS (extensions without dots, separated by ";") counts as absent.
    int Parse(const wchar_t* commandLine, const wchar_t* baseDirectory = nullptr,
              const wchar_t* extensions = nullptr);

    const wchar_t* Path() const { return path_; }
    // The first candidate on a network (a UNC path, a mapped network drive)
    // that the last Parse passed over without opening it; empty when none.
    const std::wstring& SkippedNetworkPath() const { return skippedNetworkPath_; }
    // The text behind the file name (with KeepArguments), or null.
    const wchar_t* Arguments() const { return hasArguments_ ? arguments_.c_str() : nullptr; }

private:
    bool ResolveAbsolute(const std::wstring& text, bool quoted);
    bool ResolveRelativeToDirectory(const std::wstring& text, bool quoted,
                                    const wchar_t* baseDirectory);
    bool ResolveWithSystemPrefix(const std::wstring& text, bool quoted);
    bool SearchSystemLocations(const std::wstring& text, bool quoted);
    bool StoreLongPath(const std::wstring& candidate);
    void CaptureArguments(const std::wstring& text, size_t from);

    wchar_t path_[270] = {};
    std::wstring arguments_;
    std::wstring skippedNetworkPath_;
    bool hasArguments_ = false;
    const unsigned flags_;
    const wchar_t* extensions_ = nullptr;
};
