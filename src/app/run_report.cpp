#include "app/run_report.h"

#include <cwchar>
#include <exception>

#include <nlohmann/json.hpp>

#include "app/readable_state.h"
#include "app/run_log.h"
#include "journal/change_journal.h"
#include "journal/journal_folder.h"
#include "journal/journal_line.h"
#include "journal/journal_manifest.h"
#include "common/link_safe_file.h"
#include "common/tool_folder.h"
#include "common/unique_resource.h"
#include "sysfile/edition_key.h"

namespace {

std::string TimeText(const SYSTEMTIME& time) {
    wchar_t text[32] = {};
    std::swprintf(text, 32, L"%04u-%02u-%02uT%02u:%02u:%02u", time.wYear, time.wMonth, time.wDay,
                  time.wHour, time.wMinute, time.wSecond);
    return ToUtf8(text);
}

nlohmann::json TextOrNull(const std::wstring& text) {
    return text.empty() ? nlohmann::json(nullptr) : nlohmann::json(ToUtf8(text));
}

} // namespace

RunReport& TheRunReport() {
    static RunReport report;
    return report;
}

void StartRunReport(const wchar_t* mode, const SYSTEMTIME& start) {
    RunReport& report = TheRunReport();
    report = RunReport{};
    ClearRunRecordsUnwritten();
    report.mode = mode;
    report.start = start;
}

void NoteNotRepaired(const std::wstring& what, NotRepairedLine line) {
    TheRunReport().notRepaired.push_back(what);
    if (line == NotRepairedLine::Written)
        LogPathLine("未能修复\t", what);
}

std::string RunReportJson(const RunReport& report, const SYSTEMTIME& end) {
    nlohmann::json json;
    json["program"] = "filemender";
    json["mode"] = ToUtf8(report.mode);
    json["start"] = TimeText(report.start);
    json["end"] = TimeText(end);
    json["edition"] = TextOrNull(EditionKey());
    json["journal"] = TextOrNull(JournalNameOf(JournalFolder()));

    bool anythingFound = false;
    nlohmann::json modules = nlohmann::json::array();
    for (const ModuleFinding& finding : report.modules) {
        modules.push_back({{"name", ToUtf8(finding.module)}, {"found", finding.found}});
        anythingFound = anythingFound || finding.found;
    }
    json["modules"] = modules;
    json["found"] = anythingFound;

    nlohmann::json changes = nlohmann::json::array();
    const std::wstring folder = JournalFolder();
    const std::wstring copies = folder.empty() ? folder : folder + kCopiesFolder;
    for (const JournalChange& change : JournalChanges()) {
        nlohmann::json entry = {{"kind", ToUtf8(change.kind)},   {"target", ToUtf8(change.target)},
                                {"name", ToUtf8(change.name)},   {"before", ToUtf8(change.before)},
                                {"after", ToUtf8(change.after)}, {"undoable", change.undoable}};
        // Beside the exact states, what they hold as a person reads it.
        const std::vector<std::wstring> files = {change.target, change.name};
        nlohmann::json before = ReadableState(change.before, copies, {});
        nlohmann::json after = ReadableState(change.after, copies, files);
        if (!before.is_null())
            entry["beforeReadable"] = std::move(before);
        if (!after.is_null())
            entry["afterReadable"] = std::move(after);
        changes.push_back(std::move(entry));
    }
    json["changes"] = changes;
    if (report.mode == L"repair" || report.mode == L"second-pass") {
        nlohmann::json notRepaired = nlohmann::json::array();
        for (const std::wstring& what : report.notRepaired)
            notRepaired.push_back(ToUtf8(what));
        json["notRepaired"] = notRepaired;
        json["restartRequired"] = report.restartRequired;
    }

    if (report.mode == L"undo") {
        nlohmann::json results = nlohmann::json::array();
        for (const UndoResult& result : report.undoResults)
            results.push_back({{"kind", ToUtf8(result.kind)},
                               {"target", ToUtf8(result.target)},
                               {"name", ToUtf8(result.name)},
                               {"outcome", ToUtf8(result.outcome)}});
        json["undo"] = {{"journal", TextOrNull(report.undoneJournal)},
                        {"refused", TextOrNull(report.undoRefusal)},
                        {"undoneBefore", TextOrNull(report.undoneBefore)},
                        {"results", results}};
    }
    return json.dump(2) + "\n";
}

std::wstring RunReportPath(bool createFolders) {
    return ToolDataFile(L"last-run.json", createFolders);
}

namespace {

// Written beside the report and renamed over it: a reader that holds the old
// one open, sharing it, keeps the old one and does not stop the new.
bool WriteReportText(const std::string& text) {
    const std::wstring path = RunReportPath(true);
    if (path.empty() || text.size() > MAXDWORD)
        return false;
    const std::wstring fresh = path + L".new";
    {
        UniqueFile file = CreateOwnFile(fresh);
        DWORD written = 0;
        if (!file ||
            !WriteFile(file.get(), text.data(), static_cast<DWORD>(text.size()), &written,
                       nullptr) ||
            written != text.size() || !FlushFileBuffers(file.get())) {
            if (file)
                DeleteByHandle(file.get());
            return false;
        }
    }
    constexpr DWORD kReplace = MOVEFILE_REPLACE_EXISTING | MOVEFILE_WRITE_THROUGH;
    if (MoveFileExW(fresh.c_str(), path.c_str(), kReplace))
        return true;
    // A file held open is not replaced by a rename on every system, but it
    // can be renamed aside (and goes once its reader lets go).
    const std::wstring old = path + L".old";
    if (MoveFileExW(path.c_str(), old.c_str(), kReplace) &&
        MoveFileExW(fresh.c_str(), path.c_str(), kReplace)) {
        DeleteFileW(old.c_str());
        return true;
    }
    DeleteFileW(fresh.c_str());
    return false;
}

} // namespace

bool WriteRunReport() {
    SYSTEMTIME end = {};
    GetLocalTime(&end);
    std::string text;
    bool written = false;
    try {
        text = RunReportJson(TheRunReport(), end);
        written = WriteReportText(text);
    } catch (const std::exception&) {
        written = false; // no exception leaves the report
    }
    if (!written)
        NoteRunRecordUnwritten();
    return written;
}
