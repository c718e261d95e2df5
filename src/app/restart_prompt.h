#pragma once

// Shows the system's restart prompt (no owner, no text of our own) and waits
// for the user's answer; a yes restarts Windows through the system.
void ShowRestartPrompt();
