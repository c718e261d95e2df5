// The smallest kernel driver that loads and unloads: the good copy of a
// replaced driver in the tests, so that the service manager can start it.
#include <ddk/wdm.h>

static void NTAPI Unload(PDRIVER_OBJECT driver) {
    (void)driver;
}

NTSTATUS NTAPI DriverEntry(PDRIVER_OBJECT driver, PUNICODE_STRING registryPath) {
    (void)registryPath;
    driver->DriverUnload = Unload;
    return STATUS_SUCCESS;
}
