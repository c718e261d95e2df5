#pragma once

#include <string>
#include <vector>

#include "app/module_kill_client.h"

// Removes the trojan that infects companion DLLs of messaging and media
// programs: finds the programs the user starts, checks each one's companion
// DLL for the trojan's stub, and puts a cleaned copy in its place.
class CKillCyboQQ final : public IModuleKillClientNull {
public:
    int Detect() override { return 0; }
    // Nonzero when an infected companion DLL, or an infected one's aside copy
    // left from before the restart, was found.
    int Scan() override;
    int Repair() override;

    // Full paths of the infected DLLs the last scan found, each once.
    const std::vector<std::wstring>& InfectedDlls() const { return infectedDlls_; }

private:
    void CheckProgram(const wchar_t* programPath);

    std::vector<std::wstring> infectedDlls_;
    std::vector<std::wstring> leftoverAsideCopies_;
};
