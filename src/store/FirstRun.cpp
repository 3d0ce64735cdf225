#include "store/FirstRun.h"

#include "store/AgentValues.h"
#include "store/RegistryKey.h"

namespace kardello {

void ApplyFirstRunRule(IRegistry& registry, const std::string& notRegistered) {
    SettingsStore store(registry);
    RegValue path1;
    if (store.ReadRaw(schema::AppSlot::PathValue(1).c_str(), path1) != kErrorFileNotFound) return;
    for (int n = 1; n <= schema::kAppSlotCount; ++n) {
        store.WriteString(schema::AppSlot::ExeValue(n).c_str(), notRegistered);
        store.WriteString(schema::AppSlot::PathValue(n).c_str(), notRegistered);
        store.WriteString(schema::AppSlot::NameValue(n).c_str(), notRegistered);
    }
}

void ReadShownSlotName(const RegistryKey& store, int slot, const std::string& notRegistered,
                       std::string& name) {
    const std::string pathValue = schema::AppSlot::PathValue(slot);
    RegValue path;
    std::string text;
    if (store.ReadRaw(pathValue.c_str(), path) == kErrorSuccess &&
        ((path.type != kRegSz && path.type != kRegExpandSz) || !store.ReadString(pathValue.c_str(), text))) {
        name = notRegistered;
        return;
    }
    store.ReadString(schema::AppSlot::NameValue(slot).c_str(), name);
}

}  // namespace kardello
