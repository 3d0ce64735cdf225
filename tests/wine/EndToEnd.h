#pragma once
// What the end-to-end test programs share: the keys they look at, the stand-in
// photo application's title, and the simulated card reader driven as `vrsim`
// drives it.

#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "agentctl/Driving.h"
#include "platform/win32/Win32Registry.h"
#include "res/resource.h"
#include "simreader/SimCommand.h"

namespace kardello::wine {

constexpr const char* kAgentKey = "Software\\VARNO\\VARNO Kardello";
constexpr const char* kPhotoKey = "Software\\VARNO\\VARNO Fotimo";
// Where a test switches the agent to the Windows 95 family.
constexpr const char* kAppDefaults = "Software\\Wine\\AppDefaults\\kardello.exe";
constexpr const char* kFotimoTitle = "VARNO Fotimo (simulado)";

inline void Sim(const std::vector<std::string>& args) {
    Win32Registry registry;
    const auto result = simreader::RunSimCommand(registry, args);
    ASSERT_EQ(result.exitCode, 0) << result.err;
}

inline std::size_t FotimoWindows() { return driving::WindowsTitled(kFotimoTitle, false).size(); }

// Each test starts from two units with no card, the agent's CAPTION, the stand-in
// registered as the photo application and no card recorded, on the NT family; it
// ends with the agent ended (or killed) and the stand-in closed.
class AgentTest : public ::testing::Test {
protected:
    void SetUp() override {
        using namespace driving;
        Sim({"reset"});
        WriteString(HKEY_LOCAL_MACHINE, kAgentKey, "CAPTION", "VARNO Kardello Agent");
        WriteString(HKEY_LOCAL_MACHINE, kPhotoKey, "PATH", BuildPath("tools/fotimo.exe"));
        WriteString(HKEY_LOCAL_MACHINE, kPhotoKey, "CAPTION", "VARNO Fotimo Running");
        for (const char* name : {"ExtendStatus", "DriLetter", "SerialNo"})
            DeleteValue(HKEY_CURRENT_USER, kAgentKey, name);
        DeleteValue(HKEY_CURRENT_USER, kAppDefaults, "Version");
    }
    void TearDown() override {
        if (agent.Running()) {
            if (HWND window = driving::AgentWindow()) PostMessageA(window, WM_COMMAND, ID_MENU_EXIT, 0);
            if (agent.WaitExit(5000) == -1) agent.Kill();
        }
        CloseFotimo();
        driving::DeleteValue(HKEY_CURRENT_USER, kAppDefaults, "Version");
    }
    void StartAgent(const std::string& arguments = "") {
        agent = driving::Process(driving::BuildPath("kardello.exe"), arguments);
        ASSERT_TRUE(agent.Started());
        ASSERT_TRUE(driving::WaitFor([] { return driving::AgentWindow() != nullptr; }, 10000))
            << "no agent window";
    }
    void EndAgent() {
        HWND window = driving::AgentWindow();
        ASSERT_NE(window, nullptr);
        PostMessageA(window, WM_COMMAND, ID_MENU_EXIT, 0);
        EXPECT_EQ(agent.WaitExit(10000), 0);
    }
    static void CloseFotimo() {
        for (HWND w : driving::WindowsTitled(kFotimoTitle, false)) PostMessageA(w, WM_CLOSE, 0, 0);
        driving::WaitFor([] { return FotimoWindows() == 0; }, 5000);
    }

    driving::Process agent;
};

}  // namespace kardello::wine
