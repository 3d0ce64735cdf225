#pragma once
// Everything the agent runs on, faked, with a card reader whose slots a test fills
// and empties, and a photo application that "runs" once the shell opens it.

#include <memory>
#include <string>
#include <vector>

#include "device/CardReader.h"
#include "fakes/FakeDevices.h"
#include "fakes/FakeExecutor.h"
#include "fakes/FakeKernel.h"
#include "fakes/FakeRegistry.h"
#include "fakes/FakeShell.h"
#include "fakes/FakeUser.h"
#include "platform/Platform.h"

namespace kardello {
class AgentWindow;
class CardAgentApp;
}  // namespace kardello

namespace kardello::test {

constexpr const char* kAgentCaption = "VARNO Kardello Agent";
constexpr const char* kPhotoCaption = "VARNO Fotimo Running";
constexpr const char* kPhotoPath = "C:\\VARNO\\Fotimo\\fotimo.exe";
// The agent's key as the program names it; defined in the .cpp, so that most tests
// do not rebuild when it changes.
extern const RegRoot kAgentRoot;
extern const std::string kAgentKey;

struct AgentBench {
    AgentBench();
    ~AgentBench();

    // The reader: slot i (0-based) answers records[i]; the NT family sees one
    // instance device per slot, the Windows 95 family the control device.
    void SetFamily(Family family);
    void SetSlots(const std::vector<CardRecord>& records);
    void Insert(int slot, const std::string& serial, char letter = 'E', std::uint16_t extend = 0);
    void Remove(int slot);  // the card is out; the unit and its serial stay
    void FailQueries(bool fail);
    std::vector<CardRecord> slots;

    void SetCaption();
    void SetDirectExec(std::uint32_t value);
    // The photo application's key; opening it through the shell makes it run.
    void InstallPhotoApp();
    bool PhotoAppRunning() const { return kernel.Find(kPhotoCaption) != nullptr; }
    void ClosePhotoApp() { kernel.Drop(kPhotoCaption); }
    int PhotoStarts() const;

    // Starts the agent as the program does; null when the start was refused.
    AgentWindow* Start(const std::string& arguments = "");
    // The registered messages' numbers, as any program gets them by their names.
    std::uint32_t SelectionRequest();
    std::uint32_t TaskbarCreated();
    void Tick();
    void TickInside(AgentWindow& window);  // a tick from within a modal run
    // WM_DEVICECHANGE as Windows broadcasts it; returns the window's answer.
    // What the window posts itself waits for PumpPosted.
    std::intptr_t DeviceChanged(std::uint32_t event, bool volume = true, bool media = true);
    std::string Tooltip() const;           // the last tooltip sent to the shell

    FakeRegistry registry;
    FakeDevices devices;
    FakeSystemInfo system;
    FakeKernel kernel;
    FakeShell shell;
    FakeUser user;
    // Answers each job as it is submitted, unless a test steps it by hand.
    FakeExecutor shellExecutor{user, FakeExecutor::Delivery::AtOnce};
    Platform platform{registry, devices, system, kernel, shell, user, shellExecutor};
    std::unique_ptr<CardAgentApp> app;
    AgentWindow* window = nullptr;

private:
    void Publish();
    bool failing_ = false;
};

}  // namespace kardello::test
