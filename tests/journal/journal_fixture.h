#pragma once

#include <gtest/gtest.h>

#include <windows.h>

#include <string>
#include <vector>

#include "journal/change_journal.h"
#include "journal/journal_undo.h"

// Each test records into a journal of its own, in a scratch folder and under
// scratch registry keys of both hives, and can undo what it recorded.
class JournalFixture : public ::testing::Test {
protected:
    static constexpr const wchar_t* kScratchKey = L"Software\\JournalTest";

    void SetUp() override;
    void TearDown() override;

    // C:\journal-test\NAME
    std::wstring Path(const std::wstring& name) const { return folder_ + name; }
    RegistryKeyPath UserKey(const std::wstring& below = L"") const;
    RegistryKeyPath MachineKey(const std::wstring& below = L"") const;

    // Undoes every change of the current journal, newest first, inside an undo
    // journal of its own; the outcomes in that order.
    std::vector<UndoOutcome> UndoAll() { return UndoJournalIn(JournalFolder()); }
    std::vector<UndoOutcome> UndoJournalIn(const std::wstring& folder);

private:
    std::wstring folder_;
};

// Every value of a key (name, type, bytes as text), and its subkeys' names.
std::wstring KeySnapshot(const RegistryKeyPath& key);

// Lets everyone write PATH. Wine keeps file security as Unix permissions, in
// which only a grant to everyone shows as "others may write".
bool GrantEveryoneWrite(const std::wstring& path);
