#pragma once

#include "app/module_kill_client.h"

// Removes the trojan that infects companion DLLs of messaging and media programs.
// Not built yet: finds nothing.
class CKillCyboQQ final : public IModuleKillClientNull {};
