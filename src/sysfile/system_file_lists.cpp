#include "sysfile/system_file_lists.h"

const wchar_t* const SystemFileNames[35] = {
    L"winabc.ime",   L"kbdus.dll",    L"dsound.dll",   L"ddraw.dll",    L"d3d8.dll",
    L"rpcss.dll",    L"olepro32.dll", L"d3d8thk.dll",  L"wsock32.dll",  L"comdlg32.dll",
    L"d3d9.dll",     L"lpk.dll",      L"kernel32.dll", L"ksuser.dll",   L"urlmon.dll",
    L"npptools.dll", L"rundll32.exe", L"ntsd.exe",     L"shdocvw.dll",  L"comres.dll",
    L"imm32.dll",    L"midimap.dll",  L"dinput8.dll",  L"userenv.dll",  L"usp10.dll",
    L"ctfmon.exe",   L"msvcrt.dll",   L"dbghelp.dll",  L"iphlpapi.dll", L"iertutil.dll",
    L"conime.exe",   L"userinit.exe", L"msimg32.dll",  L"sensapi.dll",  L"msvcr71.dll",
};

const wchar_t* const DriverFileNames[1] = {L"netbios.sys"};

const wchar_t* const WindowsFileNames[2] = {L"explorer.exe", L"regedit.exe"};

const wchar_t* const VersionBaselineFileNames[29] = {
    L"dsound.dll",   L"ddraw.dll",   L"d3d8.dll",     L"rpcss.dll",    L"olepro32.dll",
    L"d3d8thk.dll",  L"wsock32.dll", L"comdlg32.dll", L"lpk.dll",      L"kernel32.dll",
    L"ksuser.dll",   L"urlmon.dll",  L"npptools.dll", L"rundll32.exe", L"ntsd.exe",
    L"shdocvw.dll",  L"comres.dll",  L"imm32.dll",    L"midimap.dll",  L"dinput8.dll",
    L"userenv.dll",  L"usp10.dll",   L"ctfmon.exe",   L"msvcrt.dll",   L"dbghelp.dll",
    L"iphlpapi.dll", L"conime.exe",  L"d3d9.dll",     L"iertutil.dll",
};
