#pragma once

// The user's request to stop the run in progress. The main dialog sets it; the
// run and its modules look at it between steps and end at the next one, so a
// registry value, a catalog or a file is never left half-written. Readable
// from any thread.
bool StopRequested();
void RequestStop();
// Cleared when a run is started.
void ClearStopRequest();
