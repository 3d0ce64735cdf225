#include "platform/win32/Win32User.h"

#include <algorithm>
#include <cstring>
#include <vector>

#include <commdlg.h>

#include "platform/win32/SystemLibrary.h"

namespace kardello {

namespace {

HWND Native(WindowHandle window) { return reinterpret_cast<HWND>(window); }

// Resource ids are 16-bit; anything else names no resource.
bool IsResourceId(int id) { return id >= 0 && id <= 0xFFFF; }

class MenuOwner {
public:
    explicit MenuOwner(HMENU menu) : menu_(menu) {}
    ~MenuOwner() {
        if (menu_ != nullptr) DestroyMenu(menu_);
    }
    MenuOwner(const MenuOwner&) = delete;
    MenuOwner& operator=(const MenuOwner&) = delete;
    HMENU get() const { return menu_; }

private:
    HMENU menu_;
};

// A system-DPI-aware process keeps the DPI the system had when it started.
int ReadSystemDpi() {
    HDC screen = GetDC(nullptr);
    const int dpi = screen != nullptr ? GetDeviceCaps(screen, LOGPIXELSY) : 0;
    if (screen != nullptr) ReleaseDC(nullptr, screen);
    return dpi > 0 ? dpi : 96;
}

}  // namespace

void Win32User::IconDestroyer::operator()(IconTag* icon) const {
    DestroyIcon(reinterpret_cast<HICON>(icon));
}

Win32User::Win32User() : instance_(GetModuleHandleW(nullptr)), dpi_(ReadSystemDpi()) {}

Win32User::~Win32User() {
    // Fails harmlessly for a class whose windows still exist.
    for (const std::string& name : classes_) UnregisterClassW(Wide(name).c_str(), instance_);
}

std::uint32_t Win32User::RegisterMessage(const char* name) {
    return name != nullptr ? RegisterWindowMessageW(Wide(name).c_str()) : 0;
}

void Win32User::PrepareDialogs() {
    // The boxes keep the classic look and use only the built-in dialog classes,
    // so there is nothing to load or initialise.
}

bool Win32User::CreateHiddenToolWindow(WindowBase& window, const char* title) {
    if (title == nullptr || window.HasWindow()) return false;
    const WideString name = Wide(title);
    // One class per title, registered on first use.
    if (classes_.count(title) == 0) {
        WNDCLASSW windowClass{};
        windowClass.lpfnWndProc = Win32WindowOps::WindowProc;
        windowClass.hInstance = instance_;
        windowClass.lpszClassName = name.c_str();
        if (RegisterClassW(&windowClass) == 0 && GetLastError() != ERROR_CLASS_ALREADY_EXISTS)
            return false;
        classes_.insert(title);
    }
    Win32Binding binding{&window, this};
    WindowBase* const outer = creating_;
    creating_ = &window;
    HWND hwnd = CreateWindowExW(WS_EX_TOOLWINDOW, name.c_str(), name.c_str(), 0, 0, 0, 0, 0, nullptr,
                                nullptr, instance_, &binding);
    creating_ = outer;
    return hwnd != nullptr;
}

// Windows gives a dialog without an owner none: it would get a taskbar button and
// leave the window it came from usable behind it. It belongs instead to the top of
// the chain of modal windows up: from the main window (before there is one, the
// hidden window being created), each window's modal window, which has disabled it,
// down to the one that takes input. That may be a window of the system's, such as
// the Open-file dialog or a message box: a window owned by any other would re-enable
// it when it ends, while the top of the chain still stands over it.
HWND Win32User::DefaultOwner() const {
    WindowBase* main = mainWindow_ != nullptr ? mainWindow_ : creating_;
    return main != nullptr ? TopOfModalChain(Native(main->Handle())) : nullptr;
}

bool Win32User::QuitPending() const {
    if (quitPosted_) return true;
    MSG message;
    // Looks without taking: the quit stays for the loop that is to end.
    return PeekMessageW(&message, nullptr, WM_QUIT, WM_QUIT, PM_NOREMOVE) != FALSE;
}

int Win32User::RunModal(WindowBase& dialog, int templateId, WindowHandle parent) {
    if (!IsResourceId(templateId) || dialog.HasWindow() || QuitPending()) return -1;
    Win32Binding binding{&dialog, this};
    HWND owner = parent != nullptr ? Native(parent) : DefaultOwner();
    const INT_PTR result = DialogBoxParamW(instance_, MAKEINTRESOURCEW(templateId), owner,
                                           Win32WindowOps::DialogProc,
                                           reinterpret_cast<LPARAM>(&binding));
    if (result == -1) return -1;
    // Ended by a quit or by the window's end rather than by EndDialog: no answer was given.
    return binding.ended ? static_cast<int>(result) : 0;
}

void Win32User::SetMainWindow(WindowBase* window) { mainWindow_ = window; }

bool Win32User::AttachControl(WindowBase& control, WindowBase& dialog, int controlId) {
    // Still bound, even to operations gone inert, it would be unbound under the new ones.
    if (control.Ops() != nullptr || !dialog.HasWindow()) return false;
    HWND item = GetDlgItem(Native(dialog.Handle()), controlId);
    if (item == nullptr) return false;
    Win32Binding binding{&control, this};
    return Win32WindowOps::Attach(item, binding);
}

bool Win32User::OpenFileDialog(const OpenFileRequest& request, std::string& path,
                               std::string& fileName) {
    auto room = [](std::size_t asked) {
        // The longest path Windows has, terminator included.
        return std::clamp<std::size_t>(asked, 1, 32768);
    };
    std::vector<wchar_t> file(room(request.pathRoom), L'\0');
    std::vector<wchar_t> title(room(request.fileNameRoom), L'\0');
    // Pairs separated by '|' become the NUL-separated list, ended by two NULs whatever
    // the text ends with.
    WideString filter = Wide(request.filter);
    std::replace(filter.begin(), filter.end(), L'|', L'\0');
    filter.append(2, L'\0');
    const WideString initialDirectory = Wide(request.initialDirectory);
    const WideString caption = Wide(request.title);

    OPENFILENAMEW dialog{};
    dialog.lStructSize = sizeof dialog;
    dialog.hwndOwner = Native(request.owner);
    dialog.lpstrFilter = request.filter.empty() ? nullptr : filter.c_str();
    dialog.lpstrFile = file.data();
    dialog.nMaxFile = static_cast<DWORD>(file.size());
    dialog.lpstrFileTitle = title.data();
    dialog.nMaxFileTitle = static_cast<DWORD>(title.size());
    dialog.lpstrInitialDir = initialDirectory.empty() ? nullptr : initialDirectory.c_str();
    dialog.lpstrTitle = caption.empty() ? nullptr : caption.c_str();
    // A typed path to nothing is refused in the dialog, not found out at the first start.
    dialog.Flags = OFN_EXPLORER | OFN_HIDEREADONLY | OFN_FILEMUSTEXIST;
    // Its library and what it brings (the print spooler among them) are loaded only
    // when the user first asks for the dialog.
    using GetOpenFileName = BOOL(WINAPI*)(OPENFILENAMEW*);
    const auto getOpenFileName = reinterpret_cast<GetOpenFileName>(
        reinterpret_cast<void*>(SystemFunction("comdlg32.dll", "GetOpenFileNameW")));
    if (getOpenFileName == nullptr) return false;
    // The dialog leaves the process in the last folder browsed (OFN_NOCHANGEDIR does
    // nothing for it): on a card or a USB stick, Windows would refuse to remove it safely
    // for as long as the agent runs. The folder is put back, whatever the outcome.
    const DWORD folderLength = GetCurrentDirectoryW(0, nullptr);
    std::vector<wchar_t> folder(folderLength > 0 ? folderLength : 1, L'\0');
    const DWORD got = folderLength > 0 ? GetCurrentDirectoryW(folderLength, folder.data()) : 0;
    const bool hadFolder = got > 0 && got < folderLength;
    const BOOL chosen = getOpenFileName(&dialog);
    if (hadFolder) SetCurrentDirectoryW(folder.data());
    if (!chosen) return false;
    // The rooms include the terminators, which a dialog short of room may not write.
    path = Narrow(file.data(), wcsnlen(file.data(), file.size() - 1));
    fileName = Narrow(title.data(), wcsnlen(title.data(), title.size() - 1));
    return true;
}

void Win32User::WindowGone(WindowBase& window) {
    if (&window != mainWindow_) return;
    mainWindow_ = nullptr;
    quitPosted_ = true;
    PostQuitMessage(0);
}

int Win32User::RunMessageLoop() {
    MSG message{};
    while (GetMessageW(&message, nullptr, 0, 0) > 0) {
        TranslateMessage(&message);
        DispatchMessageW(&message);
    }
    quitPosted_ = true;
    return static_cast<int>(message.wParam);
}

int Win32User::MessageBox(WindowHandle owner, const std::string& text, const std::string& title,
                          std::uint32_t style) {
    return MessageBoxW(Native(owner), Wide(text).c_str(), Wide(title).c_str(), style);
}

std::string Win32User::LoadString(int id) {
    if (!IsResourceId(id)) return {};
    // With no room given, the text is lent where it lies in the resource, unterminated.
    const wchar_t* text = nullptr;
    const int length = LoadStringW(instance_, static_cast<UINT>(id), reinterpret_cast<LPWSTR>(&text), 0);
    if (length <= 0 || text == nullptr) return {};
    return Narrow(text, static_cast<std::size_t>(length));
}

IconHandle Win32User::LoadIcon(int id, IconSize size) {
    if (!IsResourceId(id)) return nullptr;
    const int pixels = IconPixels(size);
    auto found = icons_.find({id, pixels});
    if (found != icons_.end()) return found->second.get();
    // The resource's image for this size where it has one, never a stretched other.
    HANDLE image = LoadImageW(instance_, MAKEINTRESOURCEW(id), IMAGE_ICON, pixels, pixels,
                              LR_DEFAULTCOLOR);
    if (image == nullptr) return nullptr;
    IconTag* icon = reinterpret_cast<IconTag*>(image);
    icons_.emplace(std::make_pair(id, pixels), std::unique_ptr<IconTag, IconDestroyer>(icon));
    return icon;
}

int Win32User::IconPixels(IconSize size) {
    return GetSystemMetrics(size == IconSize::Small ? SM_CXSMICON : SM_CXICON);
}

std::uint32_t Win32User::DoubleClickTime() { return GetDoubleClickTime(); }

Point Win32User::CursorPos() {
    POINT native{};
    Point at;
    if (GetCursorPos(&native)) {
        at.x = native.x;
        at.y = native.y;
    }
    return at;
}

Rect Win32User::WorkArea() {
    RECT area{};
    if (!SystemParametersInfoW(SPI_GETWORKAREA, 0, &area, 0)) return {};
    return Rect{area.left, area.top, area.right, area.bottom};
}

void Win32User::TrackPopupMenu(WindowHandle owner, int menuId, Point at) {
    if (!IsResourceId(menuId)) return;
    MenuOwner menu(LoadMenuW(instance_, MAKEINTRESOURCEW(menuId)));
    if (menu.get() == nullptr) return;
    HMENU popup = GetSubMenu(menu.get(), 0);
    if (popup == nullptr) return;
    // Without the foreground the menu would not close when the user clicks elsewhere.
    SetForegroundWindow(Native(owner));
    ::TrackPopupMenu(popup, TPM_LEFTALIGN | TPM_RIGHTBUTTON, at.x, at.y, 0, Native(owner),
                     nullptr);
    PostMessageW(Native(owner), WM_USER, 0, 0);
}

}  // namespace kardello
