#pragma once

#include <string>

#include "app/module_kill_client.h"
#include "killers/net_component.h"

// Removes the malicious network filter driver package (driver, companion DLLs,
// the two services that host them) and repairs the Winsock catalog it damages.
// Scan only looks and logs; Repair removes every part, whatever Scan found,
// and leaves what is in use for deletion at the next start.
class CKillRiskDrivers final : public IModuleKillClientNull {
public:
    // NETCFG creates the network configuration object that removes the
    // filter driver's component (tests put a stand-in in).
    explicit CKillRiskDrivers(NetCfgFactory netCfg = CreateSystemNetCfg) : netCfg_(netCfg) {}

    int Detect() override { return Scan(); }
    int Scan() override;
    int Repair() override;

private:
    NetCfgFactory netCfg_;
    // The filter driver file, when Scan found it.
    std::wstring driverPath;
};
