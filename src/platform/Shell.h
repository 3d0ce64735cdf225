#pragma once
#include <cstdint>
#include <string>

#include "platform/Messages.h"
#include "platform/Owned.h"

namespace kardello {

constexpr std::uint32_t kNimAdd = 0;
constexpr std::uint32_t kNimModify = 1;
constexpr std::uint32_t kNimDelete = 2;
constexpr std::uint32_t kNifMessage = 0x1;
constexpr std::uint32_t kNifIcon = 0x2;
constexpr std::uint32_t kNifTip = 0x4;
constexpr int kSwShowDefault = 10;

// The first form of NOTIFYICONDATAW.
struct NotifyIconData {
    WindowHandle window = nullptr;
    std::uint32_t id = 0;
    std::uint32_t flags = 0;
    std::uint32_t callbackMessage = 0;
    IconHandle icon = nullptr;
    std::string tip;  // at most 63 UTF-16 units reach the shell, never half a character
};

// The shell's own calls (Execute, FileIcon, TypeIcon) run with COM initialised on the
// calling thread, as the shell asks: on the thread that made the object from the first of
// them on; any other thread (an executor's) enters its own apartment first. Execute,
// FileIcon and ActivateProgram may wait on a file or another program.
class IShell {
public:
    virtual ~IShell() = default;
    // Shell_NotifyIconW.
    virtual bool NotifyIcon(std::uint32_t message, const NotifyIconData& data) = 0;
    // ShellExecuteExW (SEE_MASK_NOASYNC, no error UI) without owner and parameters; as
    // ShellExecuteW numbers its result, taken as a signed number.
    // An empty directory is passed as none.
    virtual std::intptr_t Execute(const char* verb, const std::string& file,
                                  const std::string& directory, int show) = 0;
    // SHGetFileInfoW(path, 0, ..., SHGFI_ICON): the large icon the file carries, which
    // the shell reads from the file; null when it cannot be read. Owned by the caller.
    virtual IconHandle FileIcon(const std::string& path) = 0;
    // The same with SHGFI_USEFILEATTRIBUTES: the icon for the path's name and type alone,
    // the file unopened (for any program, the generic one); null when the shell has none.
    virtual IconHandle TypeIcon(const std::string& path) = 0;
    virtual void DestroyIcon(IconHandle icon) = 0;
    // Brings forward the window of a running program whose image is the file `path`
    // (the first visible, unowned one), restoring it when minimised without waiting on
    // its thread; false when no such program or window is found.
    virtual bool ActivateProgram(const std::string& path) = 0;
};

// An icon the shell handed out, destroyed when its owner goes.
using ShellIcon = Owned<IconHandle, IShell, &IShell::DestroyIcon>;

}  // namespace kardello
