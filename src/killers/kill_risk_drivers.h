#pragma once

#include "app/module_kill_client.h"

// Removes the malicious network filter driver package and repairs the Winsock catalog it damages.
// Not built yet: finds nothing.
class CKillRiskDrivers final : public IModuleKillClientNull {};
