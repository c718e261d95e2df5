#pragma once

#include <windows.h>
#include <netcfgx.h>

// Creates the network configuration object (INetCfg). A seam: Wine's object
// answers E_NOTIMPL to finding a component and to applying changes, so tests
// put a stand-in of their own here.
using NetCfgFactory = HRESULT (*)(INetCfg** netCfg);

// The system's network configuration object, in-process.
HRESULT CreateSystemNetCfg(INetCfg** netCfg);

// Removes the network component COMPONENTID (an INF id such as "ms_netsflt")
// on behalf of the user, under the configuration write lock (waiting at most
// 5 s), and applies the change. True when the removal was applied, a restart
// pending included; false when the lock is held elsewhere, the component is
// not installed or the removal was refused. COM is initialised for the call.
bool UninstallNetComponent(const wchar_t* componentId, NetCfgFactory factory = CreateSystemNetCfg);
