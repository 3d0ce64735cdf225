#include "store/FirstRun.h"

#include "store/AgentValues.h"
#include "store/RegistryKey.h"

namespace kardello {

void ApplyFirstRunRule(IRegistry& registry, const std::string& notRegistered) {
    SettingsStore store(registry);
    std::string path1;
    if (store.ReadString(schema::AppSlot::PathValue(1).c_str(), path1)) return;
    for (int n = 1; n <= schema::kAppSlotCount; ++n) {
        store.WriteString(schema::AppSlot::ExeValue(n).c_str(), notRegistered);
        store.WriteString(schema::AppSlot::PathValue(n).c_str(), notRegistered);
        store.WriteString(schema::AppSlot::NameValue(n).c_str(), notRegistered);
    }
}

}  // namespace kardello
