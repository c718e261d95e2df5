#pragma once

#include "app/module_kill_client.h"

// Removes the fake NetBIOS kernel driver across a restart.
// Not built yet: finds nothing.
class CKillFakeNetBios final : public IModuleKillClientNull {};
