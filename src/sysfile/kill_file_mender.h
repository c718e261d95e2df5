#pragma once

#include "app/module_kill_client.h"
#include "sysfile/inject_suspects.h"
#include "sysfile/input_method_state.h"
#include "sysfile/repair_entry.h"

// Replaces missing, broken or outdated system files with known-good copies
// from the file server, quarantines DLLs planted beside programs, and repairs
// the input method, language bar and Winlogon shell settings.
class CKillFileMender final : public IModuleKillClientNull {
public:
    int Scan() override;
    int Repair() override;

    const RepairEntries& PendingRepairs() const { return RepairList; }
    const InjectSuspectSet& Suspects() const { return InjectSuspects; }

private:
    RepairEntries RepairList;
    InjectSuspectSet InjectSuspects;
    InputMethodState inputMethods; // PreloadLayouts and usLayoutPresent
};
