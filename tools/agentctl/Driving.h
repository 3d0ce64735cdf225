#pragma once
// Driving the real program from outside, as another program would: start it, find
// its windows, send it commands, press the buttons of its boxes.

#include "platform/win32/WinApi.h"

#include <string>
#include <vector>

namespace kardello::driving {

// A path in the build folder as Windows programs see it (KARDELLO_BUILD, Z: drive).
std::string BuildPath(const std::string& relative);
// The agent under test: KARDELLO_AGENT (a Unix path) names another build's, such
// as the 32-bit one; by default the build's own kardello.exe.
std::string AgentPath();

class Process {
public:
    Process() = default;
    // Started in `directory`, or where this program is when it is empty.
    Process(const std::string& exe, const std::string& arguments, const std::string& directory = "");
    ~Process();
    Process(Process&& other) noexcept;
    Process& operator=(Process&& other) noexcept;
    Process(const Process&) = delete;
    Process& operator=(const Process&) = delete;

    bool Started() const { return process_ != nullptr; }
    bool Running() const;
    // The exit code, or -1 when it had not ended within the time.
    long WaitExit(DWORD milliseconds);
    void Kill();

private:
    HANDLE process_ = nullptr;
};

// Polls `probe` every `every` ms until it is true or the time is up.
template <class Probe>
bool WaitFor(Probe probe, DWORD milliseconds, DWORD every = 100) {
    const ULONGLONG end = GetTickCount64() + milliseconds;
    for (;;) {
        if (probe()) return true;
        if (GetTickCount64() >= end) return false;
        Sleep(every);
    }
}

// The one wait for time, where a test shows that nothing happens for a while: true
// when `happened` stayed false throughout, false as soon as it turns true.
template <class Probe>
bool NothingFor(DWORD milliseconds, Probe happened) {
    return !WaitFor(happened, milliseconds);
}

// Whether the thread of `window` answers a message within 10 s. A message sent from
// another thread is handled only where that thread looks for its next message, before
// it takes the next one posted: once answered, the thread has finished what it was
// doing (the window's creation, say); answered twice, it has also handled the first
// message that was posted to it before.
bool Answers(HWND window);
// Whether the thread of `window` has taken the `posted` messages posted to it before the
// call: answered once more than that, within 10 s each.
bool Handled(HWND window, int posted = 1);
// Whether a semaphore of this name is there: a running program holds it.
bool SemaphoreHeld(const char* name);
// The status requests the simulated reader's driver has served, by device: the control
// device first, then each instance.
std::vector<DWORD> RequestsServed();
// The agent looks at the card reader now, as at its tick: on return it has acted on
// `looks` looks begun after the call. It has one query out at a time and asks the next
// only once it has acted on the last, and each look asks a device once at most: the
// first request counted may be of a look begun before the call, and a device asked
// looks + 2 times shows the looks acted on. Told of media again and again meanwhile,
// the agent looks without waiting for its tick. Only the agent may ask the reader
// meanwhile (no settings dialog up). With the driver absent no request reaches it:
// then it is told once a look and must answer twice, by which it has taken the step
// it posted itself, but maybe not yet the look's answer. False when it does not
// answer, or the looks do not come within 10 s and 1 s a look.
bool WatchNow(HWND agent, int looks = 1);
// Whether `window` and its controls have drawn all they were asked to, within 5 s:
// nothing of them is left to paint, and their thread has gone on from the painting.
bool Painted(HWND window);

// Now, in 100 ns units, on the clock that process creation times are given in.
ULONGLONG Now();
// When the process that owns `window` was created; false when it cannot be asked.
bool CreatedAt(HWND window, ULONGLONG& created);
// The file names, in lower case, of the modules loaded in the process that owns `window`,
// whatever its bitness.
std::vector<std::string> ModulesOf(HWND window);

// Top-level windows with this exact title; `dialogsOnly` keeps dialog-class windows.
std::vector<HWND> WindowsTitled(const std::string& title, bool dialogsOnly);
// The agent's hidden window: titled "VARNO Kardello", not a dialog.
HWND AgentWindow();
// Posts WM_CLOSE to every top-level window with this exact title, as its close box
// would, whatever the bitness of its program; returns how many there were.
std::size_t CloseWindowsTitled(const std::string& title);
HWND WaitDialog(const std::string& title, DWORD milliseconds);
// Visible top-level windows of a window class ("#32768": a menu that is up).
std::vector<HWND> WindowsOfClass(const char* cls);
// The windows the shell's taskbar shows a button for (Wine's taskbar names each
// button's window by the button's id).
std::vector<HWND> TaskbarButtons();
bool HasTaskbarButton(HWND window);
// A right click on the agent's icon, as the shell reports it; true once the tray
// menu is up. `ChooseMenuItem` then picks an item by its underlined letter.
bool OpenTrayMenu(HWND agent, DWORD milliseconds);
void ChooseMenuItem(HWND agent, char key);
// A window's text and class, exactly, whatever the code page.
std::string TextOf(HWND window);
std::string ClassOf(HWND window);
std::string DialogText(HWND dialog, int controlId);
// Every static text of a dialog, in order.
std::vector<std::string> DialogStatics(HWND dialog);
void PressButton(HWND dialog, int id);

// Registry values, read and written as any program would; text as UTF-8.
bool ReadString(HKEY root, const char* key, const char* name, std::string& text);
// The value's bytes exactly as stored, and its type.
bool ReadRaw(HKEY root, const char* key, const char* name, std::vector<BYTE>& bytes,
             DWORD* type = nullptr);
bool ReadNumber(HKEY root, const char* key, const char* name, DWORD& number);
void WriteString(HKEY root, const char* key, const char* name, const std::string& text);
void WriteNumber(HKEY root, const char* key, const char* name, DWORD number);
void DeleteValue(HKEY root, const char* key, const char* name);

}  // namespace kardello::driving
