#include "fakes/FakeUser.h"

#include "platform/DpiScale.h"
#include "res/StringIds.h"
#include "res/StringTexts.h"

namespace kardello::test {

namespace {
// Handles unique across every fake of the process: some state (the icon last sent
// to the shell) outlives a test.
std::uintptr_t nextHandle = 0x1000;
}  // namespace

bool FakeWindowOps::SetTimer(std::uint32_t id, std::uint32_t ms) {
    if (!alive_) return false;
    timers[id] = ms;
    return true;
}

void FakeWindowOps::KillTimer(std::uint32_t id) {
    if (alive_) timers.erase(id);
}

void FakeWindowOps::Post(std::uint32_t message, std::uintptr_t wParam, std::intptr_t lParam) {
    if (alive_) user_.posted_.push_back({handle_, Message{message, wParam, lParam}});
}

bool FakeWindowOps::RaiseAndActivate() {
    if (!alive_) return false;
    ++raised;
    if (!user_.foregroundRefused) return true;
    ++flashes;
    return false;
}
void FakeWindowOps::MakeTopMost() {
    if (alive_) ++topMost;
}
bool FakeWindowOps::SetForeground() {
    if (!alive_) return false;
    ++foreground;
    return !user_.foregroundRefused;
}
void FakeWindowOps::FlashUntilActive() {
    if (alive_) ++flashes;
}
void FakeWindowOps::EndDialog(int result) {
    if (alive_) endResult = result;
}

Rect FakeWindowOps::MonitorWorkArea() { return user_.workArea; }

void FakeWindowOps::SetPos(ZOrder after, int x, int y, int width, int height, std::uint32_t flags) {
    if (!alive_) return;
    positions.push_back({after, x, y, width, height, flags});
    if (!(flags & kSwpNoMove)) {
        // Controls move with their window.
        const int dx = x - windowRect.left, dy = y - windowRect.top;
        for (auto& item : items) {
            Rect& r = item.second.rect;
            r = {r.left + dx, r.top + dy, r.right + dx, r.bottom + dy};
        }
        windowRect = {x, y, x + windowRect.Width(), y + windowRect.Height()};
    }
    if (!(flags & kSwpNoSize)) {
        windowRect.right = windowRect.left + width;
        windowRect.bottom = windowRect.top + height;
    }
    if (after == ZOrder::TopMost) ++topMost;
}

void FakeWindowOps::Invalidate(bool erase) {
    if (!alive_) return;
    ++invalidations;
    if (erase) ++erasingInvalidations;
}

void FakeWindowOps::RedrawNow() {
    if (alive_) ++redraws;
}

void FakeWindowOps::SetItemText(int id, const std::string& text) {
    items[id].text = text;
    ++items[id].textSets;
}

void FakeWindowOps::CheckRadio(int first, int last, int checked) {
    for (int id = first; id <= last; ++id) items[id].checked = id == checked;
}

void FakeWindowOps::SetScrollRange(int id, int minimum, int maximum) {
    items[id].scrollMin = minimum;
    items[id].scrollMax = maximum;
}

namespace {
// Hands the paint a canvas that outlives it, and notes its end.
class PaintCanvas : public ICanvas {
public:
    PaintCanvas(FakeCanvas& canvas, int& ended) : c_(canvas), ended_(ended) {}
    ~PaintCanvas() override { ++ended_; }
    Rect ClientRect() override { return c_.ClientRect(); }
    std::uint32_t SysColor(int index) override { return c_.SysColor(index); }
    GdiHandle CreateSolidBrush(std::uint32_t color) override { return c_.CreateSolidBrush(color); }
    void FillRect(const Rect& r, GdiHandle b) override { c_.FillRect(r, b); }
    void FillSolidRect(const Rect& r, std::uint32_t color) override { c_.FillSolidRect(r, color); }
    void DrawFocusRect(const Rect& r) override { c_.DrawFocusRect(r); }
    GdiHandle CreateFont(const FontRequest& f) override { return c_.CreateFont(f); }
    GdiHandle SelectFont(GdiHandle f) override { return c_.SelectFont(f); }
    void DeleteObject(GdiHandle o) override { c_.DeleteObject(o); }
    void SetTextColor(std::uint32_t color) override { c_.SetTextColor(color); }
    void SetTransparentBackground() override { c_.SetTransparentBackground(); }
    void DrawText(const std::string& t, const Rect& r, std::uint32_t f) override { c_.DrawText(t, r, f); }
    void DrawIcon(int x, int y, IconHandle i, int size) override { c_.DrawIcon(x, y, i, size); }

private:
    FakeCanvas& c_;
    int& ended_;
};
}  // namespace

std::unique_ptr<ICanvas> FakeWindowOps::BeginPaint() {
    paints.push_back(std::make_unique<FakeCanvas>(clientRect));
    return std::make_unique<PaintCanvas>(*paints.back(), paintsEnded);
}

bool FakeWindowOps::CrackDrawItem(std::intptr_t lParam, DrawItemRequest& request) {
    if (lParam == 0) return false;
    request = *reinterpret_cast<const DrawItemRequest*>(lParam);
    return true;
}

bool FakeWindowOps::CrackVolume(std::intptr_t lParam, DeviceChange& change) {
    const auto& sent = *reinterpret_cast<const DeviceChange*>(lParam);
    if (!sent.volume) return false;
    change.volume = true;
    change.media = sent.media;
    return true;
}

bool FakeUser::AttachControl(WindowBase& control, WindowBase& dialog, int controlId) {
    if (OpsOf(dialog) == nullptr) return false;
    ops_.push_back(std::make_unique<FakeWindowOps>(*this, control, NewHandle()));
    control.Bind(ops_.back().get());
    attached.push_back({dialog.Handle(), controlId, &control});
    return true;
}

bool FakeUser::OpenFileDialog(const OpenFileRequest& request, std::string& path,
                              std::string& fileName) {
    fileDialogs.push_back(request);
    if (chosenFile.empty()) return false;
    path = chosenFile;
    const auto slash = chosenFile.find_last_of("\\/");
    fileName = slash == std::string::npos ? chosenFile : chosenFile.substr(slash + 1);
    // As the real dialog does, the file name is cut to its room, terminator included.
    if (request.fileNameRoom > 0 && fileName.size() >= request.fileNameRoom)
        fileName.resize(request.fileNameRoom - 1);
    return true;
}

WindowHandle FakeUser::NewHandle() { return reinterpret_cast<WindowHandle>(nextHandle++); }

std::uint32_t FakeUser::RegisterMessage(const char* name) {
    auto found = registered_.find(name);
    if (found != registered_.end()) return found->second;
    const auto number = static_cast<std::uint32_t>(0xC000 + registered_.size());
    registered_[name] = number;
    return number;
}

bool FakeUser::CreateHiddenToolWindow(WindowBase& window, const char* title) {
    createdTitles.push_back(title);
    if (failCreate) return false;
    ops_.push_back(std::make_unique<FakeWindowOps>(*this, window, NewHandle()));
    window.Bind(ops_.back().get());
    if (Send(window, wm::kCreate) == -1) {
        Destroy(window);  // CreateWindowEx destroys a window whose creation failed
        return false;
    }
    return true;
}

int FakeUser::RunModal(WindowBase& dialog, int templateId, WindowHandle parent) {
    if (quitPosted) return -1;  // nothing new is shown once the program is ending
    modals.push_back({templateId, parent});
    ops_.push_back(std::make_unique<FakeWindowOps>(*this, dialog, NewHandle()));
    FakeWindowOps* ops = ops_.back().get();
    dialog.Bind(ops);
    if (layout) layout(*ops, templateId);
    Send(dialog, wm::kInitDialog);
    ++modalDepth;
    if (modalDepth > maxModalDepth) maxModalDepth = modalDepth;
    int result = modalScript ? modalScript(dialog, templateId) : kIdOk;
    --modalDepth;
    if (ops->endResult != -1) result = ops->endResult;
    for (auto& control : attached) {
        if (control.dialog != ops->handle_ || control.control == nullptr) continue;
        if (FakeWindowOps* controlOps = OpsOf(*control.control)) {
            controlOps->alive_ = false;
            controlOps->window_ = nullptr;
        }
        control.control->Bind(nullptr);
        control.control = nullptr;
    }
    ops->alive_ = false;
    dialog.Bind(nullptr);
    ops->window_ = nullptr;
    return quitPosted ? 0 : result;
}

int FakeUser::RunMessageLoop() {
    PumpPosted();
    return quitCode;
}

int FakeUser::MessageBox(WindowHandle owner, const std::string& text, const std::string& title,
                         std::uint32_t style) {
    boxes.push_back({owner, text, title, style});
    if (onBox) onBox();
    return kIdOk;
}

std::string FakeUser::LoadString(int id) {
    static const std::map<int, const char*> table = {
        {IDS_PHOTO_APP_AUTO_OPENED, TXT_PHOTO_APP_AUTO_OPENED},
        {IDS_CONFIRMING_INSERTION, TXT_CONFIRMING_INSERTION},
        {IDS_ALREADY_RUNNING, TXT_ALREADY_RUNNING},
        {IDS_NOT_REGISTERED, TXT_NOT_REGISTERED},
        {IDS_OPENING_PHOTO_APP, TXT_OPENING_PHOTO_APP},
        {IDS_OPEN_OTHER_APP, TXT_OPEN_OTHER_APP},
        {IDS_SETTINGS, TXT_SETTINGS},
        {IDS_CARD_INSTALLED, TXT_CARD_INSTALLED},
        {IDS_CARD_NUMBER, TXT_CARD_NUMBER},
        {IDS_NO_CAPTION, TXT_NO_CAPTION},
        {IDS_EXE_FILES, TXT_EXE_FILES},
        {IDS_ALL_FILES, TXT_ALL_FILES},
        {IDS_APP_TITLE, TXT_APP_TITLE},
        {IDS_FONT_FACE, TXT_FONT_FACE},
        {IDS_STORAGE_NAME, TXT_STORAGE_NAME},
        {IDS_NOT_CONNECTED, TXT_NOT_CONNECTED},
    };
    auto found = table.find(id);
    return found == table.end() ? std::string() : found->second;
}

IconHandle FakeUser::LoadIcon(int id, IconSize size) {
    auto icon = reinterpret_cast<IconHandle>(nextHandle++);
    iconIds[icon] = id;
    iconPixels[icon] = IconPixels(size);
    return icon;
}

int FakeUser::IconPixels(IconSize size) {
    return DpiScale(dpi)(size == IconSize::Small ? 16 : 32);
}

int FakeUser::IconId(IconHandle icon) const {
    auto found = iconIds.find(icon);
    return found == iconIds.end() ? 0 : found->second;
}

void FakeUser::TrackPopupMenu(WindowHandle owner, int menuId, Point at) {
    menus.push_back({owner, menuId, at});
}

std::intptr_t FakeUser::Send(WindowBase& window, std::uint32_t message, std::uintptr_t wParam,
                             std::intptr_t lParam) {
    std::intptr_t result = 0;
    if (window.Dispatch(Message{message, wParam, lParam}, result)) return result;
    // The default handling that matters here: WM_CLOSE destroys the window.
    if (message == wm::kClose) Destroy(window);
    return 0;
}

void FakeUser::Destroy(WindowBase& window) {
    FakeWindowOps* ops = OpsOf(window);
    if (ops == nullptr || !ops->alive_) return;
    Send(window, wm::kDestroy);
    ops->alive_ = false;
    ops->window_ = nullptr;
    if (&window == mainWindow) {
        quitPosted = true;
        mainWindow = nullptr;
    }
    window.FinalDestroyed();  // may delete the object
}

FakeWindowOps* FakeUser::OpsOf(WindowHandle handle) {
    for (auto& ops : ops_)
        if (ops->handle_ == handle) return ops.get();
    return nullptr;
}

void FakeUser::PumpPosted() {
    for (;;) {
        if (posted_.empty() && !(onIdle && onIdle())) return;
        if (posted_.empty()) continue;
        Posted next = posted_.front();
        posted_.pop_front();
        FakeWindowOps* ops = OpsOf(next.target);
        if (ops == nullptr || !ops->alive_ || ops->window_ == nullptr) continue;
        Send(*ops->window_, next.message.id, next.message.wParam, next.message.lParam);
    }
}

}  // namespace kardello::test
