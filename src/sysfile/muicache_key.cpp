#include "sysfile/muicache_key.h"

MuiCacheLocation MuiCacheLocationFor(DWORD majorVersion) {
    if (majorVersion >= 6)
        return {HKEY_CLASSES_ROOT,
                L"Local Settings\\Software\\Microsoft\\Windows\\Shell\\MuiCache"};
    return {HKEY_CURRENT_USER, L"Software\\Microsoft\\Windows\\ShellNoRoam\\MUICache"};
}
