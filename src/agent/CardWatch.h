#pragma once
// The two card-watch steps run by the agent window's tick, over successive
// queries of the card reader.

#include <array>
#include <cstdint>
#include <vector>

#include "launch/Launch.h"
#include "device/CardReader.h"
#include "device/CardRecord.h"

namespace kardello {

struct CardWatchState {
    static constexpr int kReportedSlots = 5;
    std::array<bool, kReportedSlots> slotReported{};
    std::vector<CardRecord> knownCards;
    std::array<CardRecord, 2> currentCard{};       // by Family
    // How many ticks the photo application has been given to appear, by Family.
    // Not reset when it is opened again.
    std::array<std::int32_t, 2> removalGraceTicks{};
};

class CardWatch {
public:
    static constexpr std::int32_t kGraceTicks = 12;

    CardWatch(const CardReader& reader, PhotoApp& photoApp) : reader_(reader), photoApp_(photoApp) {}

    // true when a newly inserted card was reported and made the current card.
    bool DetectNewCard(Family family);
    // true when the followed card is gone or the reader cannot be queried.
    bool CheckCardRemoval(Family family, WatchFlags& flags);
    // The card in the reader now, asked afresh: the current card while it is still in,
    // else the card in the highest of the five slots, which becomes the current card;
    // false when no slot holds one or the reader cannot be asked. Changes nothing else.
    bool CardInReader(Family family, CardRecord& card);

    const CardRecord& CurrentCard(Family family) const {
        return state_.currentCard[static_cast<int>(family)];
    }

private:
    void ResetEmptySlots(const CardRecord* records, int count);
    bool Query(Family family, CardRecord* records, int& count) const;
    bool IsKnown(const CardRecord& record) const;

    const CardReader& reader_;
    PhotoApp& photoApp_;
    CardWatchState state_;
};

}  // namespace kardello
