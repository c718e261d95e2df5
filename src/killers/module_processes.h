#pragma once

// Ends every process that has loaded a module whose name contains TEXT (any
// letter case). This process is never ended: the run must finish what it
// began. A process whose modules cannot be listed is left alone.
void TerminateProcessesWithModule(const wchar_t* text);
