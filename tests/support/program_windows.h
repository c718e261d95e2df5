#pragma once

#include <windows.h>

#include <functional>
#include <set>
#include <string>

#include "app/ui_texts.h"
#include "common/unique_resource.h"

// The windows of the program under test, found and driven from outside the
// program as a user would drive them: by their controls, keys and the mouse.
// Needs a display (Xvfb).
namespace program_windows {

constexpr int kStartStopButton = 1008;
constexpr int kForumThreadLink = 1009;
constexpr int kStatusLine = 1017;
constexpr int kResultText = 1019;
constexpr int kOfferText = 1022;
constexpr int kLogLink = 1005;

// The button's texts in the language the program speaks: the tests run in the
// same locale as the program.
inline const wchar_t* const kStartText = UiText(UiTextId::Start);
inline const wchar_t* const kStopText = UiText(UiTextId::Stop);

// A time limit counted from now (GetTickCount: Windows XP has no 64-bit count;
// differences survive its wrap).
class Deadline {
public:
    explicit Deadline(DWORD ms) : start_(GetTickCount()), ms_(ms) {}
    bool Passed() const { return GetTickCount() - start_ >= ms_; }
    DWORD Left() const { return Passed() ? 0 : ms_ - (GetTickCount() - start_); }

private:
    DWORD start_;
    DWORD ms_;
};

// Polls CONDITION until it holds or timeoutMs have passed; returns whether it held.
bool WaitUntil(const std::function<bool()>& condition, DWORD timeoutMs, DWORD pollMs = 20);

// A visible dialog of PROCESS (0: of any process) that holds control
// CONTROL_ID, or null.
HWND FindDialog(DWORD processId, int controlId);
// The same, waited for at most timeoutMs.
HWND WaitForDialog(DWORD processId, int controlId, DWORD timeoutMs);
// Whether no such dialog shows for waitMs.
bool NoDialogFor(DWORD processId, int controlId, DWORD waitMs);

std::wstring ControlText(HWND dialog, int controlId);
bool WaitForControlText(HWND dialog, int controlId, const std::wstring& text, DWORD timeoutMs);

// A click on a push button, as its parent receives it.
void Click(HWND dialog, int controlId);
// Enter pressed in DIALOG: the dialog manager turns it into its default button.
void PressEnter(HWND dialog);

// Answers No to every dialog of PROCESS that is neither the main nor the
// result dialog (the restart prompt) and not answered before; returns how
// many it answered now.
int AnswerPrompts(DWORD processId, std::set<HWND>& answered);

// The screen rectangle of control CONTROL_ID of DIALOG.
RECT ControlRect(HWND dialog, int controlId);
// Moves the mouse to screen point (x, y), presses or releases the left button.
void MoveMouse(int x, int y);
void MouseButton(bool down);
// How many pixels of RECT on the screen have exactly COLOUR.
int PixelsOfColour(const RECT& rect, COLORREF colour);

// Saves what the screen shows of WINDOW as a bitmap file; returns success.
bool SaveScreenshot(HWND window, const std::wstring& path);
// Where tests keep their screenshots (SCREENSHOT_DIR), empty when not set.
std::wstring ScreenshotFolder();

// A program under test whose main dialog has shown.
struct StartedProgram {
    UniqueHandle process;
    DWORD processId = 0;
    HWND main = nullptr;
};
// Starts COMMAND_LINE and waits, at most timeoutMs, for its main dialog.
StartedProgram StartAndWaitForMainDialog(const std::wstring& commandLine, DWORD timeoutMs);

// One run of the program from its window, as a user makes it: the main
// dialog appears, start is pressed, a restart prompt is answered No, the
// result dialog is read and answered with cancel, the window is closed.
struct WindowedRun {
    bool mainDialogShown = false;
    bool resultShown = false;
    int prompts = 0;
    std::wstring resultText;
    std::wstring offerText;
    DWORD exitCode = ~0u;
};

// Starts COMMAND_LINE and makes one run from its window, answering the result
// dialog with ANSWER (IDOK or IDCANCEL). SCREENSHOT_STEM, when given and
// SCREENSHOT_DIR is set, names the saved pictures of the main and the result
// dialog (<stem>_main.bmp, <stem>_result.bmp).
WindowedRun RunFromWindow(const std::wstring& commandLine, DWORD timeoutMs,
                          const std::wstring& screenshotStem = L"", int answer = IDCANCEL);

} // namespace program_windows
