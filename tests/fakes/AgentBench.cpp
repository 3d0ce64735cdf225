#include "fakes/AgentBench.h"

#include "agent/AgentWindow.h"
#include "app/CardAgentApp.h"
#include "res/AgentWindowTexts.h"
#include "store/AgentKey.h"
#include "store/DriverInstanceKey.h"
#include "store/PhotoAppValues.h"

namespace kardello::test {

const RegRoot kAgentRoot = schema::kAgentRoot;
const std::string kAgentKey = schema::kAgentKey;

AgentBench::AgentBench() {
    SetFamily(Family::Nt);
    user.onIdle = [this] { return !holdReader && readerExecutor.RunNext(); };
}

AgentBench::~AgentBench() {
    // End the agent as the menu's end command would, so its object is not leaked.
    if (window != nullptr && user.mainWindow == window) user.Destroy(*window);
}

void AgentBench::SetFamily(Family family) {
    system.platformId = family == Family::Nt ? kPlatformWin32Nt : kPlatformWin32Windows;
}

void AgentBench::Publish() {
    registry.ClearValues(schema::kDriverInstanceRoot, schema::kDriverInstanceKey);
    for (int i = 0; i < kMaxCardRecords; ++i) {
        devices.RemoveDevice("\\\\.\\VRUSBDSK" + std::to_string(i));
    }
    devices.Add("\\\\.\\VRUSBMSC", CardReader::kControlCode).reply = Bytes(slots);
    devices.Find("\\\\.\\VRUSBMSC")->fail = failing_;
    for (std::size_t i = 0; i < slots.size(); ++i) {
        const std::string name = "VRUSBDSK" + std::to_string(i);
        registry.PutString(schema::kDriverInstanceRoot, schema::kDriverInstanceKey,
                           std::to_string(i), name);
        auto& device = devices.Add("\\\\.\\" + name, CardReader::kInstanceCode);
        device.reply = Bytes({slots[i]});
        device.fail = failing_;
    }
}

void AgentBench::SetSlots(const std::vector<CardRecord>& records) {
    slots = records;
    Publish();
}

void AgentBench::Insert(int slot, const std::string& serial, char letter, std::uint16_t extend) {
    if (slots.size() <= static_cast<std::size_t>(slot)) slots.resize(slot + 1, MakeRecord(0, ""));
    slots[slot] = MakeRecord(1, serial, letter, extend);
    Publish();
}

void AgentBench::Remove(int slot) {
    slots[slot].status = 0;
    Publish();
}

void AgentBench::FailQueries(bool fail) {
    failing_ = fail;
    Publish();
}

void AgentBench::SetCaption() { registry.PutString(kAgentRoot, kAgentKey, "CAPTION", kAgentCaption); }

void AgentBench::SetDirectExec(std::uint32_t value) {
    registry.PutNumber(kAgentRoot, kAgentKey, "DirectExec", value);
}

void AgentBench::InstallPhotoApp() {
    registry.PutString(schema::kPhotoAppRoot, schema::kPhotoAppKey, "PATH", kPhotoPath);
    registry.PutString(schema::kPhotoAppRoot, schema::kPhotoAppKey, "CAPTION", kPhotoCaption);
    shell.onExecute = [this](const std::string& file) {
        if (file == kPhotoPath && !PhotoAppRunning()) kernel.Hold(kPhotoCaption);
    };
}

int AgentBench::PhotoStarts() const {
    int starts = 0;
    for (const auto& e : shell.executions)
        if (e.file == kPhotoPath) ++starts;
    return starts;
}

AgentWindow* AgentBench::Start(const std::string& arguments) {
    app = std::make_unique<CardAgentApp>(platform);
    window = app->Startup(arguments) ? app->MainWindow() : nullptr;
    user.PumpPosted();  // the first query's answer, in the loop that comes next
    return window;
}

std::uint32_t AgentBench::SelectionRequest() { return user.RegisterMessage(TXT_AGENT_MESSAGE); }

std::uint32_t AgentBench::TaskbarCreated() { return user.RegisterMessage("TaskbarCreated"); }

void AgentBench::Tick() {
    user.Send(*window, wm::kTimer, AgentWindow::kCardWatchTimer);
    user.PumpPosted();
}

void AgentBench::TickInside(AgentWindow& agent) {
    user.Send(agent, wm::kTimer, AgentWindow::kCardWatchTimer);
    user.PumpPosted();
}

std::intptr_t AgentBench::DeviceChanged(std::uint32_t event, bool volume, bool media) {
    DeviceChange change;
    change.volume = volume;
    change.media = media;
    return user.Send(*window, wm::kDeviceChange, event, reinterpret_cast<std::intptr_t>(&change));
}

std::string AgentBench::Tooltip() const {
    for (auto n = shell.notifications.rbegin(); n != shell.notifications.rend(); ++n)
        if (n->data.flags & kNifTip) return n->data.tip;
    return {};
}

}  // namespace kardello::test
