#pragma once

#include <cstddef>
#include <string>
#include <string_view>

// The process-wide narrow text in which one repair run and its modules collect
// their findings. Fixed texts are code page 936 bytes; paths are converted with
// the thread's ANSI code page. Used by one thread at a time, never locked.
class RunLog {
public:
    // Replaces the whole log by TEXT converted to narrow; null or empty clears it.
    void Assign(const wchar_t* text);

    // Replaces the whole log by the printf-style formatted text.
    void Format(const char* format, ...) __attribute__((format(printf, 2, 3)));

    // Appends exactly COUNT bytes: the only operation modules use.
    void Append(const char* bytes, size_t count);
    void Append(std::string_view text) { Append(text.data(), text.size()); }

    // Appends TEXT as a note about the run (what it did not check, and why),
    // which is no finding: a run whose log grew by notes only found nothing.
    void AppendNote(std::string_view text);

    size_t Length() const { return text_.size(); }
    // The length of the log without its notes: what a run compares to tell
    // whether a module logged a finding.
    size_t FindingsLength() const { return text_.size() - noteLength_; }
    const std::string& Text() const { return text_; }

    // Appends the whole log to the log file; the log itself stays as it is.
    // Returns false when the file could not be written; that is noted (see
    // RunRecordsUnwritten). An earlier run's unwritten log or report is said
    // in a line before the block.
    bool WriteToFile() const;

private:
    bool WriteToFileOnce() const;

    std::string text_;
    size_t noteLength_ = 0; // the bytes of text_ that notes take
};

RunLog& TheRunLog();

// "<common application data>\quillanTools\Tools.log"; empty when the folder
// cannot be determined.
std::wstring LogFilePath(bool createFolders);

// Opens the log file with the shell's "open" verb, shown normally.
void OpenLogFile();

// Appends LABEL, PATH as narrow text, and CR LF: the form of every line that
// names a file.
void LogPathLine(std::string_view label, std::wstring_view path);

// Whether this run's log block or its last-run.json could not be written (a
// reader holding the file open without sharing it, for one). The next run
// that writes its log says so in a line of its own.
bool RunRecordsUnwritten();
void NoteRunRecordUnwritten();
// A new run starts with nothing unwritten.
void ClearRunRecordsUnwritten();

// EXIT_CODE, or kExitReportNotWritten in its place when the run's outcome
// (success, or something left) is nowhere to be read.
int ExitCodeWithRecords(int exitCode);

// The line that says an earlier run's log or report could not be written.
constexpr char kEarlierRecordUnwritten[] =
    "Log: the log or last-run.json of an earlier run could not be written\r\n";

// The log file is emptied before a write once it has grown past this size.
constexpr unsigned long long kLogFileCutSize = 0x100000;
