#include "agent/PhotoApp.h"

#include "settings/SmallDialogs.h"
#include "store/RegistrySchema.h"
#include "store/SettingsStore.h"

namespace kardello {

LaunchOutcome JudgeLaunchResult(std::intptr_t result) {
    if (result > 32) return LaunchOutcome::Started;
    if (result == 0 || result == 8) return LaunchOutcome::LowMemory;  // SE_ERR_OOM
    return LaunchOutcome::NotFound;
}

std::string FolderOf(const std::string& path) {
    const auto last = path.find_last_of("\\/");
    if (last == std::string::npos) return {};
    // A file at a root ("C:\\x.exe", "\\x.exe") starts in that root, separator and all.
    const bool root = last == 0 || (last == 2 && path[1] == ':');
    return path.substr(0, root ? last + 1 : last);
}

// A working directory that is no folder is ignored, and the program would start
// wherever the agent happens to be: at logon, the system folder.
LaunchOutcome Launch(Platform& platform, const std::string& file) {
    return JudgeLaunchResult(platform.shell.Execute("open", file, FolderOf(file), kSwShowDefault));
}

int RunLaunchFailureBox(Platform& platform, LaunchOutcome outcome) {
    if (outcome == LaunchOutcome::LowMemory) {
        LowMemoryDialog box(platform.user);
        return box.RunModal();
    }
    AppNotFoundDialog box(platform.user);
    return box.RunModal();
}

namespace {

// The photo application's key is its installation's: read, never made nor written,
// even by a user who could (an administrator without UAC, at every card).
bool ReadPhotoAppText(IRegistry& registry, const char* name, std::string& text) {
    SettingsStore store(registry);
    store.OpenForReading(schema::kPhotoAppRoot, schema::kPhotoAppKey);
    return store.ReadString(name, text);
}

}  // namespace

std::string PhotoAppPath(Platform& platform) {
    std::string path;
    ReadPhotoAppText(platform.registry, schema::kPhotoAppPath, path);
    return path;
}

void PhotoApp::GuardedBox(LaunchOutcome outcome, std::int32_t& guard) {
    if (guard) return;  // that box is up already: the failure stays silent
    guard = 1;
    RunLaunchFailureBox(platform_, outcome);
    // However the box ended, the next failure must be shown again.
    guard = 0;
}

bool PhotoApp::OpenPhotoApp(WatchFlags& flags) {
    if (IsPhotoAppRunning(flags)) return false;
    const std::string path = PhotoAppPath(platform_);
    const LaunchOutcome outcome = Launch(platform_, path);
    if (outcome == LaunchOutcome::Started) return true;
    GuardedBox(outcome, outcome == LaunchOutcome::LowMemory ? flags.lowMemoryDialogOpen
                                                            : flags.notFoundDialogOpen);
    return false;
}

bool PhotoApp::IsInstalled() {
    std::string caption;
    return ReadPhotoAppText(platform_.registry, schema::kPhotoAppCaption, caption);
}

bool PhotoApp::IsPhotoAppRunning(WatchFlags& flags) {
    std::string caption;
    if (!ReadPhotoAppText(platform_.registry, schema::kPhotoAppCaption, caption)) {
        // No box from inside a removal check: it runs every second.
        if (!flags.watchQueryActive) GuardedBox(LaunchOutcome::NotFound, flags.notFoundDialogOpen);
        flags.cardPresent = 0;
        flags.photoAppAutoOpened = 0;
        flags.cardHandled = 0;
        return true;
    }
    KernelHandle semaphore = platform_.kernel.OpenSemaphore(caption, nullptr);
    if (semaphore == nullptr) return false;
    // A successful zero wait takes a count that is not given back.
    const std::uint32_t waited = platform_.kernel.Wait(semaphore, 0);
    platform_.kernel.Close(semaphore);
    return waited != kWaitObject0;
}

}  // namespace kardello
