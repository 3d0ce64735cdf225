#pragma once
// A settings dialog run over the fakes: a test acts from inside the modal run, as
// the user and the timer would, and looks at the fakes afterwards.

#include <functional>
#include <stdexcept>
#include <string>

#include "fakes/AgentBench.h"
#include "res/SmallDialogIds.h"
#include "settings/SettingsDialog.h"

namespace kardello::test {

constexpr RegRoot kHklm = RegRoot::LocalMachine;

struct SettingsHarness {
    SettingsHarness() {
        bench.user.modalScript = [this](WindowBase& window, int templateId) {
            if (templateId == IDD_DEFAULTS_CONFIRM) {
                confirmOwners.push_back(bench.user.modals.back().parent);
                return confirmAnswer;
            }
            // The first answer is in before the first poll, as a quick reader's is.
            bench.user.PumpPosted();
            if (inside_) inside_(static_cast<SettingsDialog&>(window), *bench.user.OpsOf(window));
            return 0;  // still up: only OK or Cancel close it
        };
    }

    using Inside = std::function<void(SettingsDialog&, FakeWindowOps&)>;
    // One showing of the dialog, as its openers show it, with `inside` run while it is
    // up; the modal result, 0 when none was shown.
    int Run(Inside inside) {
        inside_ = std::move(inside);
        const int result = SettingsDialog::RunOnce(bench.platform, shared, [this] { ++saves; });
        inside_ = nullptr;
        return result;
    }
    // What the panel shows now, and what it shows from `line`.
    std::string PanelText() {
        bench.user.Send(Panel(), wm::kPaint);
        const auto texts = bench.user.OpsOf(Panel())->paints.back()->Find("text");
        return texts.empty() ? std::string() : texts[0]->text;
    }
    std::string PanelTextFrom(int line) {
        Panel().SetFirstLine(line);
        return PanelText();
    }

    void Click(SettingsDialog& dialog, int id) { bench.user.Send(dialog, wm::kCommand, id); }
    // The panel the showing dialog took over.
    DeviceInfoPanel& Panel() {
        for (auto it = bench.user.attached.rbegin(); it != bench.user.attached.rend(); ++it)
            if (it->control != nullptr) return *static_cast<DeviceInfoPanel*>(it->control);
        throw std::logic_error("no settings dialog is showing");
    }
    // A timer message and, unless the reader is held, its answer; true when the poll
    // repainted the dialog.
    bool Poll(SettingsDialog& dialog, std::uint32_t id = SettingsDialog::kPollTimer) {
        const int before = bench.user.OpsOf(dialog)->erasingInvalidations;
        bench.user.Send(dialog, wm::kTimer, id);
        bench.user.PumpPosted();
        return bench.user.OpsOf(dialog)->erasingInvalidations > before;
    }

    void Put(const std::string& name, const std::string& text) {
        bench.registry.PutString(kHklm, kAgentKey, name, text);
    }
    std::string Get(const std::string& name) const {
        return bench.registry.GetString(kHklm, kAgentKey, name).value_or("<missing>");
    }

    AgentBench bench;
    // What outlives the dialogs, as the agent window keeps it.
    SettingsDialog::Shared shared;
    int saves = 0;  // OK's calls of what the opener gave it
    int confirmAnswer = kIdOk;
    std::vector<WindowHandle> confirmOwners;

private:
    Inside inside_;
};

}  // namespace kardello::test
