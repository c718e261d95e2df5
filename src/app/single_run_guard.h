#pragma once

// One run of the program at a time on the whole machine: two runs at once
// would replace the same files, write two journals and both ask for the
// restart. Every mode (the window, the windowless modes, the pass after the
// restart) asks here first.

// Takes the machine-wide guard for the rest of this process's life; false
// when another run of the program holds it (or it cannot be had). Only the
// first call asks the system; later calls repeat its answer.
bool TakeSingleRunGuard();
