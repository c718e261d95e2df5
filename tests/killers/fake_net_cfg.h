#pragma once

#include <windows.h>
#include <netcfgx.h>

#include <string>

// Stands in for the network configuration object, which Wine only stubs: one
// object that is the configuration, its lock, the component, its class and
// the class setup, answering as a test sets it up and counting what was taken
// and given back.
struct FakeNetCfgScript {
    HRESULT lock = S_OK;      // AcquireWriteLock
    bool installed = true;    // FindComponent finds the component
    HRESULT deinstall = S_OK; // DeInstall
    HRESULT apply = S_OK;     // Apply
};

struct FakeNetCfgRecord {
    int references = 0;       // outstanding references once the call is over
    bool locked = false;      // the write lock is still held
    bool initialised = false; // Initialize without Uninitialize
    std::wstring lockClient;  // the client description given with the lock
    std::wstring foundId;     // the component id looked for
    bool deinstalled = false;
    bool applied = false;
    int userTokens = 0; // DeInstall calls on behalf of the user
};

// Sets up the next object the factory hands out.
void ScriptFakeNetCfg(const FakeNetCfgScript& script);
const FakeNetCfgRecord& FakeNetCfgOutcome();

// A NetCfgFactory.
HRESULT CreateFakeNetCfg(INetCfg** netCfg);
