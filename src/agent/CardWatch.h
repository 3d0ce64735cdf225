#pragma once
// The card watch: what the agent follows, decided from the reader's answers and the
// starts' results. It never asks the reader itself, so it can take answers that were
// asked for elsewhere.

#include <array>
#include <cstdint>
#include <vector>

#include "device/CardReader.h"
#include "device/CardRecord.h"
#include "launch/Launch.h"

namespace kardello {

// One query of the reader and what it answered.
struct ReaderAnswer {
    Family family = Family::Nt;
    bool answered = false;
    int count = 0;
    std::array<CardRecord, kMaxCardRecords> records{};

    // Waits on the driver: off the window's thread.
    static ReaderAnswer Ask(const CardReader& reader, Family family);
};

// What the watch follows between two answers.
struct WatchState {
    bool cardPresent = false;         // a card found, not yet seen to leave
    bool photoAppAutoOpened = false;  // the photo application was started for a card
    bool cardHandled = false;         // the card is in the photo application's hands
    // While any holds, each answer checks for the card's removal; else for a new card.
    bool Following() const { return cardPresent || photoAppAutoOpened || cardHandled; }
};

class CardWatch {
public:
    static constexpr std::int32_t kGraceTicks = 12;
    static constexpr int kReportedSlots = 5;

    explicit CardWatch(PhotoApp& photoApp) : photoApp_(photoApp) {}

    // The first answer at start: true when a card was found and `opensWindow`, so the
    // selection window opens for it. A card found is followed either way.
    bool StartAnswer(const ReaderAnswer& answer, bool opensWindow);
    // true when a newly inserted card was reported and made the current card.
    bool DetectNewCard(const ReaderAnswer& answer);
    // true when the followed card is gone or the reader could not be queried.
    bool CheckCardRemoval(const ReaderAnswer& answer);
    // The card in the reader by that answer: the current card while it is still in,
    // else the card in the highest of the five slots, which becomes the current card;
    // false when no slot holds one or the reader could not be asked. Changes nothing else.
    bool CardInReader(const ReaderAnswer& answer, CardRecord& card);

    // The starts' results.
    void PhotoAppOpenedForNewCard() { state_.photoAppAutoOpened = state_.cardHandled = true; }
    void PhotoAppStartedByHand() { state_.cardHandled = true; }
    void PhotoAppStartedForCard() { state_.photoAppAutoOpened = true; }

    const WatchState& State() const { return state_; }
    const CardRecord& CurrentCard(Family family) const {
        return currentCard_[static_cast<int>(family)];
    }

private:
    void ResetEmptySlots(const ReaderAnswer& answer);
    bool IsKnown(const CardRecord& record) const;

    PhotoApp& photoApp_;
    WatchState state_;
    std::array<bool, kReportedSlots> slotReported_{};
    std::vector<CardRecord> knownCards_;
    std::array<CardRecord, 2> currentCard_{};  // by Family
    // How many ticks the photo application has been given to appear, by Family.
    // Not reset when it is opened again.
    std::array<std::int32_t, 2> removalGraceTicks_{};
};

}  // namespace kardello
