#pragma once

#include "app/module_kill_client.h"

// Removes a kernel driver that poses as the system's netbios.sys and keeps its
// file locked while it runs. The first pass puts a marker in front of the
// service's image path so that Windows does not load the driver at its next
// start; the pass after the restart finds the marker, deletes the driver file
// and takes the marker away again. Only the registry carries the work across.
class CKillFakeNetBios final : public IModuleKillClientNull {
public:
    int Detect() override { return Scan(); }
    int Scan() override;
    int Repair() override;

private:
    int driverLocked = 0; // the driver file exists but cannot be opened for reading
    int markerFound = 0;  // the image path begins with the marker
};
