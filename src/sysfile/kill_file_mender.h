#pragma once

#include "app/module_kill_client.h"

// Replaces missing, broken or outdated system files with known-good copies.
// Not built yet: finds nothing.
class CKillFileMender final : public IModuleKillClientNull {};
