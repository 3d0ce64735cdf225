#include "agent/CardWatch.h"

namespace kardello {

bool CardWatch::Query(Family family, CardRecord* records, int& count) const {
    count = kMaxCardRecords;
    return reader_.Query(family, records, count);
}

bool CardWatch::IsKnown(const CardRecord& record) const {
    for (const CardRecord& known : state_.knownCards) {
        if (known.SameSerial(record)) return true;
    }
    return false;
}

void CardWatch::ResetEmptySlots(const CardRecord* records, int count) {
    for (int i = 0; i < count && i < CardWatchState::kReportedSlots; ++i) {
        if (records[i].IsEmpty()) state_.slotReported[i] = false;
    }
}

bool CardWatch::CardInReader(Family family, CardRecord& card) {
    CardRecord records[kMaxCardRecords];
    int count = 0;
    if (!Query(family, records, count)) return false;
    CardRecord& current = state_.currentCard[static_cast<int>(family)];
    const CardRecord* found = nullptr;
    for (int i = 0; i < count && i < CardWatchState::kReportedSlots; ++i) {
        if (!records[i].HasCard()) continue;
        found = &records[i];
        if (records[i].SameSerial(current)) break;
    }
    if (found == nullptr) return false;
    current = *found;
    card = *found;
    return true;
}

bool CardWatch::DetectNewCard(Family family) {
    CardRecord records[kMaxCardRecords];
    int count = 0;
    if (!Query(family, records, count)) {
        state_.knownCards.clear();
        return false;
    }
    ResetEmptySlots(records, count);
    bool reported = false;
    for (int i = 0; i < count; ++i) {
        if (!records[i].HasCard() || IsKnown(records[i])) continue;
        // Only five slots can be reported; records beyond them are only remembered.
        if (i >= CardWatchState::kReportedSlots || state_.slotReported[i]) continue;
        state_.slotReported[i] = true;
        // Each new card is marked; the highest slot's becomes the current card.
        state_.currentCard[static_cast<int>(family)] = records[i];
        reported = true;
    }
    state_.knownCards.clear();
    for (int i = 0; i < count; ++i) {
        if (records[i].HasCard()) state_.knownCards.push_back(records[i]);
    }
    return reported;
}

bool CardWatch::CheckCardRemoval(Family family, WatchFlags& flags) {
    state_.knownCards.clear();
    CardRecord records[kMaxCardRecords];
    int count = 0;
    if (!Query(family, records, count)) {
        flags.cardHandled = false;
        return true;
    }
    bool removed = false;
    std::int32_t& grace = state_.removalGraceTicks[static_cast<int>(family)];
    if (photoApp_.IsPhotoAppRunning(flags)) {
        bool everySlotHolds = true;
        for (int i = 0; i < count; ++i) {
            if (records[i].IsEmpty()) everySlotHolds = false;
        }
        flags.cardHandled = everySlotHolds ? 1 : 0;
        grace = kGraceTicks;
    } else {
        if (flags.photoAppAutoOpened && grace < kGraceTicks) {
            ++grace;
        } else if (flags.photoAppAutoOpened) {
            flags.photoAppAutoOpened = false;
            grace = 0;
        } else {
            grace = 0;
        }
        for (int i = 0; i < count; ++i) {
            if (records[i].IsEmpty()) {
                flags.cardHandled = false;
                removed = true;
            }
        }
    }
    const CardRecord& current = state_.currentCard[static_cast<int>(family)];
    for (int i = 0; i < count; ++i) {
        const bool same = records[i].SameSerial(current);
        if (same && records[i].IsEmpty()) removed = true;
        if (!records[i].HasCard()) continue;
        // The Windows 95 family never remembers the current card's own record.
        if (family == Family::Nt || !same) state_.knownCards.push_back(records[i]);
    }
    ResetEmptySlots(records, count);
    return removed;
}

}  // namespace kardello
