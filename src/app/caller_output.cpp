#include "app/caller_output.h"

#include <windows.h>

#include "common/unique_resource.h"

namespace {

// The caller's line ends, whatever the texts hold.
std::wstring WithCrLf(const std::wstring& text) {
    std::wstring lines;
    lines.reserve(text.size() + text.size() / 16);
    for (wchar_t c : text) {
        if (c == L'\n')
            lines += L'\r';
        lines += c;
    }
    return lines;
}

bool WriteUtf8(HANDLE out, const std::wstring& text) {
    if (text.empty())
        return true;
    const int bytes = WideCharToMultiByte(CP_UTF8, 0, text.data(), static_cast<int>(text.size()),
                                          nullptr, 0, nullptr, nullptr);
    if (bytes <= 0)
        return false;
    std::string utf8(static_cast<size_t>(bytes), '\0');
    WideCharToMultiByte(CP_UTF8, 0, text.data(), static_cast<int>(text.size()), utf8.data(), bytes,
                        nullptr, nullptr);
    DWORD written = 0;
    return WriteFile(out, utf8.data(), static_cast<DWORD>(utf8.size()), &written, nullptr) &&
           written == utf8.size();
}

// A standard output the caller made: a file or a pipe, never a console or a
// device the program would have to open itself.
bool IsRedirected(HANDLE out) {
    if (!out || out == INVALID_HANDLE_VALUE)
        return false;
    const DWORD type = GetFileType(out);
    return type == FILE_TYPE_DISK || type == FILE_TYPE_PIPE;
}

} // namespace

void WriteToCaller(const std::wstring& text) {
    const std::wstring lines = WithCrLf(text);
    const HANDLE out = GetStdHandle(STD_OUTPUT_HANDLE);
    if (IsRedirected(out)) {
        WriteUtf8(out, lines);
        return;
    }
    if (!AttachConsole(ATTACH_PARENT_PROCESS))
        return;
    {
        UniqueFile console(CreateFileW(L"CONOUT$", GENERIC_READ | GENERIC_WRITE,
                                       FILE_SHARE_READ | FILE_SHARE_WRITE, nullptr, OPEN_EXISTING,
                                       0, nullptr));
        DWORD written = 0;
        if (console)
            WriteConsoleW(console.get(), lines.data(), static_cast<DWORD>(lines.size()), &written,
                          nullptr);
    }
    FreeConsole();
}

bool UserReadsChinese() {
    return PRIMARYLANGID(GetUserDefaultUILanguage()) == LANG_CHINESE;
}
