#include "launch/Launch.h"

#include "res/SmallDialogIds.h"
#include "store/PhotoAppValues.h"
#include "store/RegistryKey.h"

namespace kardello {

namespace {

enum class LaunchOutcome { Started, LowMemory, NotFound };

LaunchOutcome JudgeLaunchResult(std::intptr_t result) {
    if (result > 32) return LaunchOutcome::Started;
    if (result == 0 || result == 8) return LaunchOutcome::LowMemory;  // SE_ERR_OOM
    return LaunchOutcome::NotFound;
}

void ShowLaunchFailure(Platform& platform, LaunchOutcome outcome, FailureBoxes* boxes) {
    const bool lowMemory = outcome == LaunchOutcome::LowMemory;
    OneAtATime::Hold hold;
    // That box up already: the failure stays silent.
    if (boxes != nullptr && !(hold = (lowMemory ? boxes->lowMemory : boxes->notFound).Take())) return;
    if (lowMemory)
        LowMemoryDialog(platform.user).RunModal();
    else
        AppNotFoundDialog(platform.user).RunModal();
}

// The photo application's key is its installation's: read, never made nor written,
// even by a user who could (an administrator without UAC, at every card).
bool ReadPhotoAppText(IRegistry& registry, const char* name, std::string& text) {
    RegistryKey store(registry);
    store.OpenForReading(schema::kPhotoAppRoot, schema::kPhotoAppKey);
    return store.ReadString(name, text);
}

}  // namespace

std::string FolderOf(const std::string& path) {
    const auto last = path.find_last_of("\\/");
    if (last == std::string::npos) return {};
    // A file at a root ("C:\\x.exe", "\\x.exe") starts in that root, separator and all.
    const bool root = last == 0 || (last == 2 && path[1] == ':');
    return path.substr(0, root ? last + 1 : last);
}

// A working directory that is no folder is ignored, and the program would start
// wherever the agent happens to be: at logon, the system folder.
StartAnswer StartProgram(IShell& shell, const std::string& file) {
    return StartAnswer{shell.Execute("open", file, FolderOf(file), kSwShowDefault)};
}

bool JudgeStart(Platform& platform, StartAnswer answer, FailureBoxes* boxes) {
    const LaunchOutcome outcome = JudgeLaunchResult(answer.result);
    if (outcome == LaunchOutcome::Started) return true;
    ShowLaunchFailure(platform, outcome, boxes);
    return false;
}

AppNotFoundDialog::AppNotFoundDialog(IUser& user) : ForegroundBox(user, IDD_APP_NOT_FOUND) {}

LowMemoryDialog::LowMemoryDialog(IUser& user) : ForegroundBox(user, IDD_LOW_MEMORY) {}

std::string PhotoAppPath(Platform& platform) {
    std::string path;
    ReadPhotoAppText(platform.registry, schema::kPhotoAppPath, path);
    return path;
}

void PhotoApp::ShowNotFound() { ShowLaunchFailure(platform_, LaunchOutcome::NotFound, boxes_); }

PhotoApp::Status PhotoApp::OpenPhotoAppLater(WindowHandle window, std::uint32_t message) {
    const Status found = RunStatus();
    if (found != Status::NotRunning) return found;
    platform_.shellExecutor.Submit(window, message, [&shell = platform_.shell, path = PhotoAppPath(platform_)] {
        return StartProgram(shell, path);
    });
    return found;
}

PhotoApp::Status PhotoApp::RunStatus() {
    std::string caption;
    if (!ReadPhotoAppText(platform_.registry, schema::kPhotoAppCaption, caption)) return Status::NotInstalled;
    // A copy started with other rights (elevated) holds a semaphore this program may
    // not open: it runs all the same, as the agent's own single-copy check counts it.
    bool denied = false;
    const KernelObject semaphore(platform_.kernel, platform_.kernel.OpenSemaphore(caption, &denied));
    if (!semaphore) return denied ? Status::Running : Status::NotRunning;
    // A successful zero wait takes a count that is not given back.
    return platform_.kernel.Wait(semaphore.Get(), 0) != kWaitObject0 ? Status::Running : Status::NotRunning;
}

}  // namespace kardello
