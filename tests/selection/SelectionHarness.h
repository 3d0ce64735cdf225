#pragma once
// The selection window over the fakes, laid out as the dialog manager would lay out
// template 143, with a test acting from inside its modal run as the user would.

#include <functional>
#include <map>
#include <string>

#include "fakes/AgentBench.h"
#include "res/SelectionWindowIds.h"
#include "res/SettingsDialogIds.h"
#include "selection/SelectionWindow.h"
#include "settings/SettingsDialog.h"
#include "store/AgentValues.h"

namespace kardello::test {

constexpr RegRoot kHklm = RegRoot::LocalMachine;
constexpr RegRoot kHkcu = RegRoot::CurrentUser;

// Dialog units to screen pixels, as for a window first put at the screen's corner:
// 3 by 2 pixels for every 2 by 1 units, under a 22-pixel caption and 3-pixel border.
inline Rect Dlu(int x, int y, int w, int h) {
    return {3 + x * 3 / 2, 22 + y * 2, 3 + (x + w) * 3 / 2, 22 + (y + h) * 2};
}
inline const Rect kTemplateWindow{0, 0, 240, 519};

struct SelectionHarness {
    // What a modal run of a template does while it is up. A run its window does not
    // end stays up for good: the boxes close with OK, the dialogs with 0.
    using Inside = std::function<void(WindowBase& dialog, FakeWindowOps& ops)>;

    SelectionHarness() {
        bench.SetCaption();
        bench.InstallPhotoApp();
        bench.user.layout = [](FakeWindowOps& ops, int templateId) {
            if (templateId != IDD_SELECTION) return;
            ops.windowRect = kTemplateWindow;
            ops.items[IDC_SELECTION_PHOTO_APP].rect = Dlu(5, 35, 147, 25);
            ops.items[kIdCancel].rect = Dlu(97, 70, 55, 19);
            ops.items[IDC_SELECTION_SETTINGS].rect = Dlu(110, 3, 45, 15);
            ops.items[IDC_SELECTION_OTHER_APPS].rect = Dlu(5, 100, 99, 15);
            for (int n = 0; n < 5; ++n) ops.items[IDC_SELECTION_SLOT_1 + n].rect = Dlu(5, 120 + 25 * n, 147, 20);
            ops.items[IDC_SELECTION_CARD_LINE].rect = Dlu(5, 15, 100, 10);
        };
        bench.user.modalScript = [this](WindowBase& dialog, int templateId) {
            auto script = inside.find(templateId);
            if (script != inside.end() && script->second) script->second(dialog, *bench.user.OpsOf(dialog));
            return templateId == IDD_SELECTION || templateId == IDD_SETTINGS ? 0 : kIdOk;
        };
    }

    // Registered application n, as the settings dialog stores one.
    void Register(int n, const std::string& name, const std::string& path) {
        bench.registry.PutString(kHklm, kAgentKey, schema::AppSlot::NameValue(n), name);
        bench.registry.PutString(kHklm, kAgentKey, schema::AppSlot::ExeValue(n), name + ".exe");
        bench.registry.PutString(kHklm, kAgentKey, schema::AppSlot::PathValue(n), path);
    }
    // Every slot free, as the first-run rule leaves them.
    void RegisterNone() {
        for (int n = 1; n <= 5; ++n) {
            for (const std::string& value : {schema::AppSlot::NameValue(n), schema::AppSlot::ExeValue(n),
                                             schema::AppSlot::PathValue(n)})
                bench.registry.PutString(kHklm, kAgentKey, value, "No registrada");
        }
    }

    // A click as the button reports it (BN_CLICKED), or another notification.
    void Click(WindowBase& dialog, int id, std::uintptr_t notification = 0) {
        bench.user.Send(dialog, wm::kCommand, (notification << 16) | static_cast<std::uintptr_t>(id));
    }
    int Runs(int templateId) const {
        int runs = 0;
        for (const auto& modal : bench.user.modals) runs += modal.templateId == templateId;
        return runs;
    }

    AgentBench bench;
    std::map<int, Inside> inside;
};

}  // namespace kardello::test
