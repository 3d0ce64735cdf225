#include "app/CardAgentApp.h"

#include <cctype>

#include "res/AgentWindowTexts.h"
#include "res/StringIds.h"
#include "store/AgentValues.h"
#include "store/FirstRun.h"
#include "store/RegistryKey.h"

namespace kardello {

namespace {

// At logon the start-up boxes would open behind the user's windows: they come forward like
// the agent's other boxes. Where Windows refuses the foreground, it flashes their taskbar
// button, which a box without an owner has.
constexpr std::uint32_t kComesForward = kMbTopMost | kMbSetForeground;

}  // namespace

CardAgentApp::CardAgentApp(Platform& platform) : platform_(platform) {
    messages_.selectionRequest = platform_.user.RegisterMessage(TXT_AGENT_MESSAGE);
    // Sent by the shell to top-level windows when the taskbar is re-created.
    messages_.taskbarCreated = platform_.user.RegisterMessage("TaskbarCreated");
}

bool CardAgentApp::IsCplArgument(const std::string& arguments) {
    static const char kCpl[] = "cpl";
    if (arguments.size() != 3) return false;
    for (std::size_t i = 0; i < 3; ++i) {
        if (std::tolower(static_cast<unsigned char>(arguments[i])) != kCpl[i]) return false;
    }
    return true;
}

bool CardAgentApp::Startup(const std::string& arguments) {
    IUser& user = platform_.user;
    user.PrepareDialogs();
    SettingsStore store(platform_.registry);
    const std::string noCaption = user.LoadString(IDS_NO_CAPTION);
    const std::string title = user.LoadString(IDS_APP_TITLE);

    std::string caption;
    if (!store.ReadString(schema::kCaption, caption)) {
        user.MessageBox(nullptr, noCaption, title, kMbOk | kMbIconHand | kComesForward);
        return false;
    }

    // A copy started with other rights (elevated, by the installer's last page) holds
    // a semaphore this one may not open: it is there all the same.
    bool denied = false;
    KernelObject other(platform_.kernel, platform_.kernel.OpenSemaphore(caption, &denied));
    bool existed = other || denied;
    if (!existed) {
        // Two copies started in the same instant can both miss the other's semaphore;
        // the one whose create finds the name taken is the second copy.
        instanceSemaphore_ =
            KernelObject(platform_.kernel, platform_.kernel.CreateSemaphore(1, 1, caption, &existed));
    }
    if (existed) {
        user.MessageBox(nullptr, user.LoadString(IDS_ALREADY_RUNNING), title,
                        kMbOk | kMbIconExclamation | kComesForward);
        // Another copy's: kept open, never given back, until this process ends.
        other.Release();
        instanceSemaphore_.Release();
        return false;
    }

    auto* window = new AgentWindow(platform_, messages_);
    // A window that can't be created must not leave the agent running invisibly
    // with the semaphore held: end at once (the object is gone then).
    if (!window->Create(IsCplArgument(arguments))) return false;
    mainWindow_ = window;
    user.SetMainWindow(window);

    // After the window exists: its creation handling finds no defaults on a first run.
    ApplyFirstRunRule(platform_.registry, user.LoadString(IDS_NOT_REGISTERED));
    std::uint32_t directExec = 0;
    if (!store.ReadNumber(schema::kDirectExec, directExec)) {
        store.WriteNumber(schema::kDirectExec, schema::kDirectExecOpenPhotoApp);
    }
    return true;
}

int CardAgentApp::Shutdown() {
    if (instanceSemaphore_) platform_.kernel.ReleaseSemaphore(instanceSemaphore_.Get(), 1);
    instanceSemaphore_ = KernelObject();
    return 0;
}

}  // namespace kardello
