// Linked into a test build of the program only: the run ends at once, as a
// crash would end it, after the journal entry FILEMENDER_TEST_END_AFTER_ENTRY
// names is on disk and before its change is made.
#include <windows.h>

#include <cwchar>

#include "journal/change_journal.h"

namespace {

void EndAfterTheNamedEntry(size_t recorded) {
    wchar_t text[16] = {};
    const DWORD length =
        GetEnvironmentVariableW(L"FILEMENDER_TEST_END_AFTER_ENTRY", text, ARRAYSIZE(text));
    if (length == 0 || length >= ARRAYSIZE(text))
        return;
    if (std::wcstoul(text, nullptr, 10) == recorded)
        TerminateProcess(GetCurrentProcess(), 99);
}

[[maybe_unused]] const bool kHookSet = (SetJournalEntryHook(EndAfterTheNamedEntry), true);

} // namespace
