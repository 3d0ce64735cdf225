#include "agent/CardWatch.h"

namespace kardello {

ReaderAnswer ReaderAnswer::Ask(const CardReader& reader, Family family) {
    ReaderAnswer answer;
    answer.family = family;
    int count = kMaxCardRecords;
    answer.answered = reader.Query(family, answer.records.data(), count);
    answer.count = answer.answered ? count : 0;
    return answer;
}

bool CardWatch::IsKnown(const CardRecord& record) const {
    for (const CardRecord& known : knownCards_) {
        if (known.SameSerial(record)) return true;
    }
    return false;
}

void CardWatch::ResetEmptySlots(const ReaderAnswer& answer) {
    for (int i = 0; i < answer.count && i < kReportedSlots; ++i) {
        if (answer.records[i].IsEmpty()) slotReported_[i] = false;
    }
}

bool CardWatch::StartAnswer(const ReaderAnswer& answer, bool opensWindow) {
    if (answer.family == Family::Nt) {
        if (!DetectNewCard(answer)) return false;
        state_.cardPresent = true;
        return opensWindow;
    }
    // The Windows 95 family marks the card only when a window opens for it.
    bool found = false;
    for (int i = 0; i < answer.count; ++i) found = found || answer.records[i].HasCard();
    if (!found) return false;
    state_.cardPresent = true;
    if (!opensWindow) return false;
    DetectNewCard(answer);
    return true;
}

bool CardWatch::CardInReader(const ReaderAnswer& answer, CardRecord& card) {
    if (!answer.answered) return false;
    CardRecord& current = currentCard_[static_cast<int>(answer.family)];
    const CardRecord* found = nullptr;
    for (int i = 0; i < answer.count && i < kReportedSlots; ++i) {
        if (!answer.records[i].HasCard()) continue;
        found = &answer.records[i];
        if (answer.records[i].SameSerial(current)) break;
    }
    if (found == nullptr) return false;
    current = *found;
    card = *found;
    return true;
}

bool CardWatch::DetectNewCard(const ReaderAnswer& answer) {
    if (!answer.answered) {
        knownCards_.clear();
        return false;
    }
    ResetEmptySlots(answer);
    bool reported = false;
    for (int i = 0; i < answer.count; ++i) {
        const CardRecord& record = answer.records[i];
        if (!record.HasCard() || IsKnown(record)) continue;
        // Only five slots can be reported; records beyond them are only remembered.
        if (i >= kReportedSlots || slotReported_[i]) continue;
        slotReported_[i] = true;
        // Each new card is marked; the highest slot's becomes the current card.
        currentCard_[static_cast<int>(answer.family)] = record;
        reported = true;
    }
    knownCards_.clear();
    for (int i = 0; i < answer.count; ++i) {
        if (answer.records[i].HasCard()) knownCards_.push_back(answer.records[i]);
    }
    return reported;
}

bool CardWatch::CheckCardRemoval(const ReaderAnswer& answer) {
    knownCards_.clear();
    if (!answer.answered) {
        state_.cardHandled = false;
        state_.cardPresent = false;
        return true;
    }
    const Family family = answer.family;
    bool removed = false;
    std::int32_t& grace = removalGraceTicks_[static_cast<int>(family)];
    const PhotoApp::Status photoApp = photoApp_.RunStatus();
    if (photoApp != PhotoApp::Status::NotRunning) {
        // Not installed: nothing is left to follow, and no box from a check every second.
        if (photoApp == PhotoApp::Status::NotInstalled) state_ = WatchState{};
        bool everySlotHolds = true;
        for (int i = 0; i < answer.count; ++i) {
            if (answer.records[i].IsEmpty()) everySlotHolds = false;
        }
        state_.cardHandled = everySlotHolds;
        grace = kGraceTicks;
    } else {
        if (state_.photoAppAutoOpened && grace < kGraceTicks) {
            ++grace;
        } else if (state_.photoAppAutoOpened) {
            state_.photoAppAutoOpened = false;
            grace = 0;
        } else {
            grace = 0;
        }
        for (int i = 0; i < answer.count; ++i) {
            if (answer.records[i].IsEmpty()) {
                state_.cardHandled = false;
                removed = true;
            }
        }
    }
    const CardRecord& current = currentCard_[static_cast<int>(family)];
    for (int i = 0; i < answer.count; ++i) {
        const CardRecord& record = answer.records[i];
        const bool same = record.SameSerial(current);
        if (same && record.IsEmpty()) removed = true;
        if (!record.HasCard()) continue;
        // The Windows 95 family never remembers the current card's own record.
        if (family == Family::Nt || !same) knownCards_.push_back(record);
    }
    ResetEmptySlots(answer);
    if (removed) state_.cardPresent = false;
    return removed;
}

}  // namespace kardello
