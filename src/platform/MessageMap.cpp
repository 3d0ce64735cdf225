#include "platform/MessageMap.h"

namespace kardello {

namespace {

bool Matches(const MessageEntry& entry, const Message& message, const WindowBase& window) {
    switch (entry.kind) {
        case MessageEntry::Kind::Message:
            return entry.first == message.id;
        case MessageEntry::Kind::Commands: {
            const std::uint32_t id = message.wParam & 0xFFFF;
            return message.id == wm::kCommand && id >= entry.first && id <= entry.last;
        }
        case MessageEntry::Kind::Registered: {
            const std::uint32_t number = entry.number != nullptr ? entry.number(window) : 0;
            return number != 0 && number == message.id;
        }
    }
    return false;
}

}  // namespace

bool WindowBase::Dispatch(const Message& message, std::intptr_t& result) {
    const MessageEntry* found = nullptr;
    for (const MessageTable* table = &Messages(); table != nullptr && found == nullptr;
         table = table->base) {
        for (std::size_t i = 0; i < table->count; ++i) {
            if (Matches(table->entries[i], message, *this)) {
                found = &table->entries[i];
                break;
            }
        }
    }
    if (found == nullptr) return false;
    ++dispatchDepth_;
    useDefault_ = false;
    result = found->call(*this, message);
    const bool handled = !useDefault_;
    useDefault_ = false;
    if (--dispatchDepth_ == 0 && finalDestroyPending_) {
        finalDestroyPending_ = false;
        OnFinalDestroy();  // may delete this: nothing after it
    }
    return handled;
}

void WindowBase::FinalDestroyed() {
    if (dispatchDepth_ > 0) {
        finalDestroyPending_ = true;
        return;
    }
    OnFinalDestroy();
}

}  // namespace kardello
