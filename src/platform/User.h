#pragma once
// The user-interface services that belong to no one window: creating windows,
// modal dialogs, the message loop, boxes, menus and resources.

#include <cstddef>
#include <cstdint>
#include <string>

#include "platform/Geometry.h"
#include "platform/Messages.h"

namespace kardello {

class WindowBase;

// MessageBoxW styles the system uses.
constexpr std::uint32_t kMbOk = 0x0;
constexpr std::uint32_t kMbIconHand = 0x10;
constexpr std::uint32_t kMbIconExclamation = 0x30;
constexpr std::uint32_t kMbSetForeground = 0x10000;
constexpr std::uint32_t kMbTopMost = 0x40000;

// The system's two icon sizes: SM_CXICON and SM_CXSMICON.
enum class IconSize { Large, Small };

// The Open-file common dialog, as the settings dialog asks for it.
struct OpenFileRequest {
    WindowHandle owner = nullptr;
    // Description and pattern pairs separated by '|', ended by "||".
    std::string filter;
    std::string title;
    std::string initialDirectory;
    // Room for the chosen path and file name, terminators included.
    std::size_t pathRoom = 260;
    std::size_t fileNameRoom = 64;
};

class IUser {
public:
    virtual ~IUser() = default;

    // RegisterWindowMessageW.
    virtual std::uint32_t RegisterMessage(const char* name) = 0;
    // Dialog hosting and the three-dimensional look of dialog controls, where the
    // platform has them. Failures are ignored.
    virtual void PrepareDialogs() = 0;
    // Registers a class with no style, cursor, brush or icon and creates a window
    // of it: WS_EX_TOOLWINDOW, style 0, the title, at 0,0 size 0 by 0, no parent,
    // menu or creation data. The window is bound to `window` before WM_CREATE.
    virtual bool CreateHiddenToolWindow(WindowBase& window, const char* title) = 0;
    // Runs the dialog of resource template `templateId` modally, bound to `dialog`;
    // without a parent its owner is the top of the chain of modal windows up (a window
    // of the system's, such as the Open-file dialog, included), else the main window
    // (before there is one, the hidden tool window being created). The owner is
    // disabled until the run ends. The dialog opens centred where the user looks: on its
    // owner, within the work area, or, when the owner is hidden, on the work area of the
    // monitor that holds the cursor.
    // Returns the modal result, or -1 when the dialog could not be shown.
    virtual int RunModal(WindowBase& dialog, int templateId, WindowHandle parent) = 0;
    // The destruction of this window ends the message loop.
    virtual void SetMainWindow(WindowBase* window) = 0;
    // The application's main window; null before SetMainWindow and after its end.
    virtual WindowBase* MainWindow() = 0;
    // Takes over an existing control of a bound dialog: its messages reach `control`'s
    // table first and the control's own handling after.
    virtual bool AttachControl(WindowBase& control, WindowBase& dialog, int controlId) = 0;
    // GetOpenFileNameW with the read-only box hidden; false when cancelled.
    virtual bool OpenFileDialog(const OpenFileRequest& request, std::string& path,
                                std::string& fileName) = 0;
    virtual int RunMessageLoop() = 0;

    virtual int MessageBox(WindowHandle owner, const std::string& text, const std::string& title,
                           std::uint32_t style) = 0;
    virtual std::string LoadString(int id) = 0;
    // Icon resource `id` at the system's size for `size`, its image for that size chosen
    // by the system; shared, never destroyed by the caller.
    virtual IconHandle LoadIcon(int id, IconSize size) = 0;
    // The system's icon size in pixels (SM_CXICON, SM_CXSMICON).
    virtual int IconPixels(IconSize size) = 0;
    // The system DPI, read once when the program started.
    virtual int SystemDpi() = 0;
    virtual std::uint32_t DoubleClickTime() = 0;
    virtual Point CursorPos() = 0;
    // The primary screen's work area (SPI_GETWORKAREA), screen pixels; empty when unknown.
    virtual Rect WorkArea() = 0;
    // Loads menu resource `menuId`, brings `owner` to the foreground, shows the first
    // popup at `at` (TPM_LEFTALIGN | TPM_RIGHTBUTTON) owned by `owner`, posts WM_USER
    // to `owner` so the menu closes when the user clicks elsewhere, destroys the menu.
    virtual void TrackPopupMenu(WindowHandle owner, int menuId, Point at) = 0;
};

}  // namespace kardello
