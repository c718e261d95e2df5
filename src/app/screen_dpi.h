#pragma once

// The screen's dots per inch (96 normally, 120 with large fonts), read once
// per process: Windows XP changes it only with a new logon.
int ScreenDpi();

// A length in pixels drawn for 96 dots per inch, at the screen's resolution.
int ScaledToScreen(int pixelsAt96Dpi);
