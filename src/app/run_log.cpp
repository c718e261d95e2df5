#include "app/run_log.h"

#include <windows.h>
#include <shellapi.h>

#include <cstdarg>
#include <cstdio>
#include <climits>

#include "app/exit_codes.h"
#include "app/web_pages.h"
#include "common/link_safe_file.h"
#include "common/narrow_text.h"
#include "common/tool_folder.h"
#include "common/unique_resource.h"

RunLog& TheRunLog() {
    static RunLog log;
    return log;
}

void RunLog::Assign(const wchar_t* text) {
    text_ = text ? ToNarrow(text) : std::string();
    noteLength_ = 0;
}

void RunLog::Format(const char* format, ...) {
    va_list args;
    va_start(args, format);
    va_list measure;
    va_copy(measure, args);
    const int needed = std::vsnprintf(nullptr, 0, format, measure);
    va_end(measure);
    text_.clear();
    noteLength_ = 0;
    if (needed > 0) {
        std::string formatted(static_cast<size_t>(needed) + 1, '\0');
        std::vsnprintf(formatted.data(), formatted.size(), format, args);
        formatted.resize(static_cast<size_t>(needed));
        text_ = std::move(formatted);
    }
    va_end(args);
}

void RunLog::Append(const char* bytes, size_t count) {
    if (bytes && count)
        text_.append(bytes, count);
}

void RunLog::AppendNote(std::string_view text) {
    Append(text);
    noteLength_ += text.size();
}

std::wstring LogFilePath(bool createFolders) {
    return ToolDataFile(L"Tools.log", createFolders);
}

namespace {

bool& UnwrittenThisRun() {
    static bool unwritten = false;
    return unwritten;
}

// Left in the tool's folder, where only administrators may write, by a run
// whose log or report could not be written.
std::wstring UnwrittenMarkerPath() {
    return ToolDataFile(L"records-unwritten", true);
}

bool WriteBlock(HANDLE file, const std::string& text) {
    LARGE_INTEGER size = {};
    if (!GetFileSizeEx(file, &size))
        return false;
    if (static_cast<unsigned long long>(size.QuadPart) > kLogFileCutSize) {
        if (SetFilePointer(file, 0, nullptr, FILE_BEGIN) == INVALID_SET_FILE_POINTER ||
            !SetEndOfFile(file))
            return false;
    } else {
        LARGE_INTEGER zero = {};
        if (!SetFilePointerEx(file, zero, nullptr, FILE_END))
            return false;
    }
    DWORD written = 0;
    return WriteFile(file, text.data(), static_cast<DWORD>(text.size()), &written, nullptr) &&
           written == text.size();
}

} // namespace

bool RunRecordsUnwritten() {
    return UnwrittenThisRun();
}

void NoteRunRecordUnwritten() {
    UnwrittenThisRun() = true;
    const std::wstring marker = UnwrittenMarkerPath();
    if (!marker.empty())
        CreateOwnFile(marker);
}

void ClearRunRecordsUnwritten() {
    UnwrittenThisRun() = false;
}

int ExitCodeWithRecords(int exitCode) {
    if (RunRecordsUnwritten() && (exitCode == kExitSuccess || exitCode == kExitNotAllRepaired))
        return kExitReportNotWritten;
    return exitCode;
}

bool RunLog::WriteToFile() const {
    const bool written = WriteToFileOnce();
    if (!written)
        NoteRunRecordUnwritten();
    return written;
}

bool RunLog::WriteToFileOnce() const {
    // Without the common application data folder there is nowhere sound to
    // write: a relative "quillanTools\Tools.log" would land wherever the
    // process happens to stand.
    const std::wstring path = LogFilePath(true);
    if (path.empty() || text_.size() > ULONG_MAX)
        return false;
    // Never through a link planted in the folder: the write would land in
    // whatever file it names.
    UniqueFile file = OpenOwnFileForAppend(path);
    if (!file)
        return false;
    const std::wstring marker = UnwrittenMarkerPath();
    const bool earlierUnwritten =
        !marker.empty() && GetFileAttributesW(marker.c_str()) != INVALID_FILE_ATTRIBUTES;
    if (!WriteBlock(file.get(), earlierUnwritten ? kEarlierRecordUnwritten + text_ : text_))
        return false;
    if (earlierUnwritten)
        DeleteFileW(marker.c_str());
    return true;
}

void OpenLogFile() {
    const std::wstring path = LogFilePath(false);
    if (!path.empty())
        OpenWithShell(path);
}

void LogPathLine(std::string_view label, std::wstring_view path) {
    std::string line(label);
    line += ToNarrow(path);
    line += "\r\n";
    TheRunLog().Append(line);
}
