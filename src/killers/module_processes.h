#pragma once

// Ends every process that has loaded a module of exactly this FILE_NAME (any
// letter case), 32-bit modules of WOW64 processes included. This process is
// never ended: the run must finish what it began. Nor is a process Windows
// cannot run without (csrss, winlogon, services, lsass, smss): the log says
// that it keeps the DLL, which the restart then deletes. A process whose
// modules cannot be listed is left alone.
void TerminateProcessesWithModule(const wchar_t* fileName);
