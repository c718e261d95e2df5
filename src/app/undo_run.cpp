#include "app/undo_run.h"

#include <windows.h>

#include <cstring>
#include <optional>
#include <string>
#include <string_view>

#include "app/exit_codes.h"
#include "app/repair_run.h"
#include "app/run_log.h"
#include "app/run_report.h"
#include "common/admin_only_folder.h"
#include "journal/change_journal.h"
#include "journal/journal_folder.h"
#include "journal/journal_manifest.h"
#include "journal/journal_undo.h"
#include "common/narrow_text.h"

namespace {

constexpr char kUndoTitle[] = "Undo\t";
constexpr char kNoJournal[] = "Undo: no journal of a run that made changes\r\n";
constexpr char kAlreadyUndone[] = "Undo: undone before by\t";
constexpr char kUntrusted[] = "Undo refused: others could have written the journal\t";
constexpr std::wstring_view kRunOnceKeyEnd = L"\\CurrentVersion\\RunOnce";
constexpr char kUnreadable[] = "Undo refused: the journal cannot be read\t";

void LogChange(UndoOutcome outcome, const JournalChange& change) {
    std::string line = UndoOutcomeText(outcome);
    line += "\t" + ToNarrow(change.kind) + "\t" + ToNarrow(change.target);
    if (!change.name.empty())
        line += "\t" + ToNarrow(change.name);
    line += "\r\n";
    TheRunLog().Append(line);
}

// Undoes the journal NAME under ROOT; the exit code.
int UndoJournal(const std::wstring& root, const UndoCandidate& candidate) {
    RunReport& report = TheRunReport();
    const std::wstring& name = candidate.name;
    const std::wstring folder = root + name + L"\\";
    TheRunLog().Append(kUndoTitle);
    LogPathLine("", name);
    // Passing over it would undo an older run in its place.
    if (!candidate.readable) {
        LogPathLine(kUnreadable, WithoutTrailingSlash(folder));
        report.undoRefusal = L"unreadable";
        return kExitUsage;
    }
    // A copy someone else could have planted would be put into the system
    // directory: the whole journal is refused then, not only that copy.
    const std::optional<JournalManifest> manifest = ReadManifest(folder);
    if (!IsAdminOnly(WithoutTrailingSlash(root)) || !JournalIsTrustworthy(folder) || !manifest) {
        LogPathLine(kUntrusted, WithoutTrailingSlash(folder));
        report.undoRefusal = L"untrusted";
        return kExitUsage;
    }
    report.undoneJournal = name;
    // Undone once already: every change is as before, or was left alone then
    // for a reason that still holds. Undoing it again would make the staged
    // steps of a change (a copy made and moved into place) over again.
    if (!manifest->undoneBy.empty()) {
        report.undoneBefore = manifest->undoneBy.back();
        LogPathLine(kAlreadyUndone, report.undoneBefore);
        return 0;
    }
    int exitCode = 0;
    bool failed = false;
    for (auto change = manifest->changes.rbegin(); change != manifest->changes.rend(); ++change) {
        const UndoOutcome outcome = UndoChange(*change, folder);
        LogChange(outcome, *change);
        const char* text = UndoOutcomeText(outcome);
        report.undoResults.push_back(
            {change->kind, change->target, change->name, std::wstring(text, text + strlen(text))});
        if (outcome == UndoOutcome::Conflict || outcome == UndoOutcome::Failed)
            exitCode = 1;
        failed = failed || outcome == UndoOutcome::Failed;
    }
    // A failure may pass (a file in use, for one): such a journal is undone
    // again by the next undo.
    const std::wstring undoJournal = JournalFolder();
    if (!undoJournal.empty() && !failed)
        MarkUndone(folder, JournalNameOf(undoJournal));
    return exitCode;
}

// The first pass of the second pass SECOND_PASS: the newest repair before it,
// when that repair arranged a second pass (set a RunOnce value). Undos and
// scans in between are passed over.
std::optional<std::wstring> FirstPassOf(const std::wstring& root, const std::wstring& secondPass) {
    bool after = false;
    for (const std::wstring& name : JournalFoldersNewestFirst(root)) {
        if (!after) {
            after = name == secondPass;
            continue;
        }
        const std::optional<JournalManifest> manifest = ReadManifest(root + name + L"\\");
        if (!manifest || manifest->mode == L"second-pass")
            return std::nullopt;
        if (manifest->mode != L"repair")
            continue;
        for (const JournalChange& change : manifest->changes) {
            if (change.kind == L"value" && change.target.size() >= kRunOnceKeyEnd.size() &&
                lstrcmpiW(
                    change.target.substr(change.target.size() - kRunOnceKeyEnd.size()).c_str(),
                    std::wstring(kRunOnceKeyEnd).c_str()) == 0)
                return name;
        }
        return std::nullopt;
    }
    return std::nullopt;
}

int MoreSevere(int first, int second) {
    if (first == kExitUsage || second == kExitUsage)
        return kExitUsage;
    return first == kExitNotAllRepaired || second == kExitNotAllRepaired ? kExitNotAllRepaired
                                                                         : kExitSuccess;
}

// The journal NAMED under ROOT, when it is one of a repair or a second pass.
std::optional<UndoCandidate> NamedCandidate(const std::wstring& root, const std::wstring& named) {
    for (const std::wstring& name : JournalFoldersNewestFirst(root)) {
        if (lstrcmpiW(name.c_str(), named.c_str()) != 0)
            continue;
        const std::optional<JournalManifest> manifest = ReadManifest(root + name + L"\\");
        if (!manifest)
            return UndoCandidate{name, false};
        if (manifest->mode != L"repair" && manifest->mode != L"second-pass")
            return std::nullopt;
        return UndoCandidate{name, true};
    }
    return std::nullopt;
}

} // namespace

int RunUndo(const std::wstring& named) {
    SYSTEMTIME now = {};
    GetLocalTime(&now);
    BeginJournal(JournalMode::Undo, now);
    StartRunReport(L"undo", now);

    RunLog& log = TheRunLog();
    log.Assign(nullptr);
    log.Format("StartTime:%i-%i-%i %i:%i:%i\r\n\r\n", now.wYear, now.wMonth, now.wDay, now.wHour,
               now.wMinute, now.wSecond);

    int exitCode = kExitUsage;
    const std::wstring root = JournalRoot();
    std::optional<UndoCandidate> last;
    if (!root.empty())
        last = named.empty() ? NewestUndoCandidate(root, false) : NamedCandidate(root, named);
    if (last) {
        exitCode = UndoJournal(root, *last);
        // A repair and its second pass after the restart are one repair: the
        // first pass (system files, quarantines) is undone with the second.
        const std::optional<std::wstring> firstPass =
            named.empty() && exitCode != kExitUsage ? FirstPassOf(root, last->name) : std::nullopt;
        if (firstPass) {
            RunReport& report = TheRunReport();
            const std::wstring secondPass = report.undoneJournal;
            const std::wstring secondUndoneBefore = report.undoneBefore;
            exitCode = MoreSevere(exitCode, UndoJournal(root, UndoCandidate{*firstPass, true}));
            report.undoneJournal = secondPass;
            if (!secondUndoneBefore.empty())
                report.undoneBefore = secondUndoneBefore;
        }
    } else {
        log.Append(kNoJournal);
        TheRunReport().undoRefusal = L"no journal";
    }
    log.Append(kBlockSeparator);
    log.WriteToFile();
    WriteRunReport();
    return ExitCodeWithRecords(exitCode);
}
