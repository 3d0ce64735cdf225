#pragma once
// The photo application ("VARNO Fotimo"), known only by its registry key and the
// semaphore it holds while it runs, and the one rule by which every start of an
// application is made and judged.

#include <cstdint>
#include <string>

#include "agent/WatchFlags.h"
#include "platform/Platform.h"

namespace kardello {

enum class LaunchOutcome { Started, LowMemory, NotFound };

// ShellExecuteW with "open" and SW_SHOWDEFAULT, in the program's own folder.
LaunchOutcome Launch(Platform& platform, const std::string& file);
// The folder part of a path, as Explorer starts a program in it: "C:\\Apps\\x.exe" gives
// "C:\\Apps", a file at a root its root ("C:\\"), a bare file name nothing.
std::string FolderOf(const std::string& path);
LaunchOutcome JudgeLaunchResult(std::intptr_t result);
// Runs the box that tells of a failed start modally; returns its result.
int RunLaunchFailureBox(Platform& platform, LaunchOutcome outcome);

// The photo application's PATH, empty when it can't be read.
std::string PhotoAppPath(Platform& platform);

class PhotoApp {
public:
    explicit PhotoApp(Platform& platform) : platform_(platform) {}

    // true when the photo application was started.
    bool OpenPhotoApp(WatchFlags& flags);
    // true when it runs, or when it is not installed (then the card flags are cleared).
    bool IsPhotoAppRunning(WatchFlags& flags);
    // Its key holds the CAPTION it runs under.
    bool IsInstalled();

private:
    // Runs a failure box unless `guard` says one is up; clears the guard when the
    // box closes with OK or Cancel.
    void GuardedBox(LaunchOutcome outcome, std::int32_t& guard);

    Platform& platform_;
};

}  // namespace kardello
