#pragma once
// The one rule by which every start of an application is made and judged, the two
// boxes that tell of a start that failed, and the photo application ("VARNO Fotimo"),
// known only by its registry key and the semaphore it holds while it runs.

#include <cstdint>
#include <string>

#include "platform/Dialog.h"
#include "platform/Platform.h"

namespace kardello {

// The agent's guards of its two boxes: one of each up at a time, later failures silent.
struct FailureBoxes {
    OneAtATime notFound;
    OneAtATime lowMemory;
};

// The shell's answer to one start, as it comes back from another thread.
struct StartAnswer {
    std::intptr_t result = 0;
};
// ShellExecuteW with "open" and SW_SHOWDEFAULT, in the program's own folder. It may wait
// on the file, so it runs off the window's thread, and it shows nothing.
StartAnswer StartProgram(IShell& shell, const std::string& file);
// On the window's thread: true when the program started; else the box that tells of the
// failure runs modally, unless `boxes` has that box up already; without guards, a box
// every time.
bool JudgeStart(Platform& platform, StartAnswer answer, FailureBoxes* boxes = nullptr);
// The folder part of a path, as Explorer starts a program in it: "C:\\Apps\\x.exe" gives
// "C:\\Apps", a file at a root its root ("C:\\"), a bare file name nothing.
std::string FolderOf(const std::string& path);

// Both failure boxes come forward as they open: the agent's own come up for a card,
// when Windows keeps the foreground from it, and have no taskbar button to show them.
class ForegroundBox : public Dialog {
protected:
    using Dialog::Dialog;

private:
    KARDELLO_BEGIN_MESSAGES(ForegroundBox)
        KARDELLO_MESSAGE(wm::kInitDialog, OnInitDialog)
    KARDELLO_END_MESSAGES(nullptr)

    std::intptr_t OnInitDialog() {
        ComeForward();
        return 0;  // the focus is placed: the dialog manager leaves it
    }
};

class AppNotFoundDialog : public ForegroundBox {
public:
    explicit AppNotFoundDialog(IUser& user);
};

class LowMemoryDialog : public ForegroundBox {
public:
    explicit LowMemoryDialog(IUser& user);
};

// The photo application's PATH, empty when it can't be read.
std::string PhotoAppPath(Platform& platform);

class PhotoApp {
public:
    // `boxes`: the guards of the failure boxes it shows; none: a box every time.
    explicit PhotoApp(Platform& platform, FailureBoxes* boxes = nullptr)
        : platform_(platform), boxes_(boxes) {}

    enum class Status { NotRunning, Running, NotInstalled };

    // Asks only: true when it runs, or when it is not installed.
    bool IsPhotoAppRunning() { return RunStatus() != Status::NotRunning; }
    Status RunStatus();
    // What it found. Only when it was NotRunning does its start go to the shell's
    // executor, and its StartAnswer comes back to `window` as `message`, for AnswerStart.
    // It shows nothing: a caller that finds it not installed shows the not-found box.
    Status OpenPhotoAppLater(WindowHandle window, std::uint32_t message);
    // true when that answer is a start; else the box that tells of it, under these guards.
    bool AnswerStart(StartAnswer answer) { return JudgeStart(platform_, answer, boxes_); }
    // The not-found box, under this object's guard.
    void ShowNotFound();

private:
    Platform& platform_;
    FailureBoxes* boxes_;
};

}  // namespace kardello
