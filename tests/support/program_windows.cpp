#include "support/program_windows.h"

#include <vector>

#include "common/unique_resource.h"
#include "support/child_process.h"
#include "support/test_files.h"

namespace program_windows {

namespace {

constexpr DWORD kPollMs = 20;

struct DialogSearch {
    DWORD processId;
    int controlId; // 0: a dialog holding neither the main nor the result controls
    HWND found = nullptr;
    std::set<HWND> others;
};

bool IsVisibleDialogOf(HWND window, DWORD processId) {
    DWORD process = 0;
    GetWindowThreadProcessId(window, &process);
    wchar_t className[16] = {};
    return (processId == 0 || process == processId) && IsWindowVisible(window) &&
           GetClassNameW(window, className, ARRAYSIZE(className)) &&
           lstrcmpW(className, L"#32770") == 0;
}

BOOL CALLBACK Collect(HWND window, LPARAM context) {
    auto* search = reinterpret_cast<DialogSearch*>(context);
    if (!IsVisibleDialogOf(window, search->processId))
        return TRUE;
    if (search->controlId != 0) {
        if (GetDlgItem(window, search->controlId)) {
            search->found = window;
            return FALSE;
        }
    } else if (!GetDlgItem(window, kStartStopButton) && !GetDlgItem(window, kResultText)) {
        search->others.insert(window);
    }
    return TRUE;
}

void SendMouse(DWORD flags, int x = 0, int y = 0) {
    INPUT input = {};
    input.type = INPUT_MOUSE;
    input.mi.dwFlags = flags;
    if (flags & MOUSEEVENTF_ABSOLUTE) {
        input.mi.dx = MulDiv(x, 65535, GetSystemMetrics(SM_CXSCREEN) - 1);
        input.mi.dy = MulDiv(y, 65535, GetSystemMetrics(SM_CYSCREEN) - 1);
    }
    SendInput(1, &input, sizeof(input));
}

} // namespace

HWND FindDialog(DWORD processId, int controlId) {
    DialogSearch search{processId, controlId, nullptr, {}};
    EnumWindows(Collect, reinterpret_cast<LPARAM>(&search));
    return search.found;
}

bool WaitUntil(const std::function<bool()>& condition, DWORD timeoutMs, DWORD pollMs) {
    const Deadline deadline(timeoutMs);
    do {
        if (condition())
            return true;
        Sleep(pollMs);
    } while (!deadline.Passed());
    return false;
}

HWND WaitForDialog(DWORD processId, int controlId, DWORD timeoutMs) {
    HWND dialog = nullptr;
    WaitUntil([&] { return (dialog = FindDialog(processId, controlId)) != nullptr; }, timeoutMs);
    return dialog;
}

bool NoDialogFor(DWORD processId, int controlId, DWORD waitMs) {
    return !WaitUntil([&] { return FindDialog(processId, controlId) != nullptr; }, waitMs);
}

std::wstring ControlText(HWND dialog, int controlId) {
    wchar_t text[1024] = {};
    GetDlgItemTextW(dialog, controlId, text, ARRAYSIZE(text));
    return text;
}

bool WaitForControlText(HWND dialog, int controlId, const std::wstring& text, DWORD timeoutMs) {
    return WaitUntil([&] { return ControlText(dialog, controlId) == text; }, timeoutMs);
}

void Click(HWND dialog, int controlId) {
    PostMessageW(dialog, WM_COMMAND, MAKEWPARAM(controlId, BN_CLICKED),
                 reinterpret_cast<LPARAM>(GetDlgItem(dialog, controlId)));
}

void PressEnter(HWND dialog) {
    // Keys go to the control with the focus, the dialog's default button.
    HWND target = GetDlgItem(dialog, kStartStopButton);
    if (!target)
        target = dialog;
    PostMessageW(target, WM_KEYDOWN, VK_RETURN, 0x001C0001);
    PostMessageW(target, WM_KEYUP, VK_RETURN, 0xC01C0001);
}

int AnswerPrompts(DWORD processId, std::set<HWND>& answered) {
    DialogSearch search{processId, 0, nullptr, {}};
    EnumWindows(Collect, reinterpret_cast<LPARAM>(&search));
    int now = 0;
    for (HWND prompt : search.others)
        if (answered.insert(prompt).second && PostMessageW(prompt, WM_COMMAND, IDNO, 0))
            ++now;
    return now;
}

RECT ControlRect(HWND dialog, int controlId) {
    RECT rect = {};
    GetWindowRect(GetDlgItem(dialog, controlId), &rect);
    return rect;
}

void MoveMouse(int x, int y) {
    SendMouse(MOUSEEVENTF_MOVE | MOUSEEVENTF_ABSOLUTE, x, y);
}

void MouseButton(bool down) {
    SendMouse(down ? MOUSEEVENTF_LEFTDOWN : MOUSEEVENTF_LEFTUP);
}

int PixelsOfColour(const RECT& rect, COLORREF colour) {
    HDC screen = GetDC(nullptr);
    int count = 0;
    for (int y = rect.top; y < rect.bottom; ++y)
        for (int x = rect.left; x < rect.right; ++x)
            if (GetPixel(screen, x, y) == colour)
                ++count;
    ReleaseDC(nullptr, screen);
    return count;
}

bool SaveScreenshot(HWND window, const std::wstring& path) {
    RECT rect = {};
    if (!GetWindowRect(window, &rect))
        return false;
    const int width = rect.right - rect.left;
    const int height = rect.bottom - rect.top;
    if (width <= 0 || height <= 0)
        return false;
    HDC screen = GetDC(nullptr);
    const UniqueMemoryDc memory(CreateCompatibleDC(screen));
    const UniqueBitmap bitmap(CreateCompatibleBitmap(screen, width, height));
    HGDIOBJ previous = SelectObject(memory.get(), bitmap.get());
    BitBlt(memory.get(), 0, 0, width, height, screen, rect.left, rect.top, SRCCOPY);
    SelectObject(memory.get(), previous);

    BITMAPINFOHEADER info = {};
    info.biSize = sizeof(info);
    info.biWidth = width;
    info.biHeight = height;
    info.biPlanes = 1;
    info.biBitCount = 24;
    info.biCompression = BI_RGB;
    const DWORD stride = (static_cast<DWORD>(width) * 3 + 3) & ~3u;
    std::vector<char> pixels(static_cast<size_t>(stride) * static_cast<size_t>(height));
    const int lines =
        GetDIBits(memory.get(), bitmap.get(), 0, static_cast<UINT>(height), pixels.data(),
                  reinterpret_cast<BITMAPINFO*>(&info), DIB_RGB_COLORS);
    ReleaseDC(nullptr, screen);
    if (lines != height)
        return false;

    BITMAPFILEHEADER file = {};
    file.bfType = 0x4D42; // "BM"
    file.bfOffBits = sizeof(file) + sizeof(info);
    file.bfSize = file.bfOffBits + static_cast<DWORD>(pixels.size());
    std::string bytes(reinterpret_cast<const char*>(&file), sizeof(file));
    bytes.append(reinterpret_cast<const char*>(&info), sizeof(info));
    bytes.append(pixels.data(), pixels.size());
    return WriteWholeFile(path, bytes);
}

std::wstring ScreenshotFolder() {
    return Environment(L"SCREENSHOT_DIR");
}

StartedProgram StartAndWaitForMainDialog(const std::wstring& commandLine, DWORD timeoutMs) {
    StartedProgram started;
    started.process = StartProcess(commandLine);
    if (!started.process)
        return started;
    started.processId = GetProcessId(started.process.get());
    started.main = WaitForDialog(started.processId, kStartStopButton, timeoutMs);
    return started;
}

WindowedRun RunFromWindow(const std::wstring& commandLine, DWORD timeoutMs,
                          const std::wstring& screenshotStem, int answer) {
    WindowedRun run;
    const Deadline deadline(timeoutMs);
    const StartedProgram started = StartAndWaitForMainDialog(commandLine, timeoutMs);
    if (!started.process)
        return run;
    const HANDLE program = started.process.get();
    const DWORD processId = started.processId;
    HWND main = started.main;
    const std::wstring shots = screenshotStem.empty() || ScreenshotFolder().empty()
                                   ? std::wstring()
                                   : ScreenshotFolder() + L"\\" + screenshotStem;

    run.mainDialogShown = main != nullptr;
    if (main) {
        if (!shots.empty()) {
            Sleep(300); // let it paint
            SaveScreenshot(main, shots + L"_main.bmp");
        }
        Click(main, kStartStopButton);
        std::set<HWND> answered;
        HWND result = nullptr;
        while (!result && !deadline.Passed() &&
               WaitForSingleObject(program, kPollMs) == WAIT_TIMEOUT) {
            run.prompts += AnswerPrompts(processId, answered);
            result = FindDialog(processId, kResultText);
        }
        run.resultShown = result != nullptr;
        if (result) {
            run.resultText = ControlText(result, kResultText);
            run.offerText = ControlText(result, kOfferText);
            if (!shots.empty()) {
                Sleep(300);
                SaveScreenshot(result, shots + L"_result.bmp");
            }
            Click(result, answer);
            WaitForControlText(main, kStartStopButton, kStartText, 10000);
        }
        Click(main, IDCANCEL);
    }
    run.exitCode = WaitForExit(program, deadline.Left());
    return run;
}

} // namespace program_windows
