#pragma once
// The executor's own queue and mailbox with no thread: a test runs each job when it
// chooses, and the results come back through FakeUser's posted messages.

#include <optional>

#include "fakes/FakeUser.h"
#include "platform/WorkQueue.h"

namespace kardello::test {

class FakeExecutor : public WorkQueue {
public:
    enum class Delivery {
        Stepped,  // jobs wait for RunAll or RunNext; results are posted
        AtOnce    // each job runs as it is submitted, and its result is sent at once,
                  // before Submit returns: for scenarios that are not about the wait
    };

    explicit FakeExecutor(FakeUser& user, Delivery delivery = Delivery::Stepped)
        : WorkQueue(Hooks(user, this), Mode::Manual), delivery(delivery), user_(user) {}

    // Runs every waiting job (and those they submit), then delivers what was posted.
    void RunAll(FakeUser& user) {
        while (RunNext()) {
        }
        user.PumpPosted();
    }

    Delivery delivery;

protected:
    void Enqueue(WindowHandle window, std::uint32_t message, Job job) override {
        WorkQueue::Enqueue(window, message, std::move(job));
        if (delivery != Delivery::AtOnce) return;
        while (RunNext()) {
            if (!held_) continue;
            const Held held = *held_;
            held_.reset();
            FakeWindowOps* ops = user_.OpsOf(held.window);
            if (ops != nullptr && ops->Alive() && ops->Window() != nullptr)
                user_.Send(*ops->Window(), held.message, 0, held.ticket);
        }
    }

private:
    struct Held {
        WindowHandle window;
        std::uint32_t message;
        std::intptr_t ticket;
    };

    static WorkQueueHooks Hooks(FakeUser& user, FakeExecutor* self) {
        WorkQueueHooks hooks;
        hooks.post = [&user, self](WindowHandle window, std::uint32_t message, std::intptr_t ticket) {
            FakeWindowOps* ops = user.OpsOf(window);
            if (ops == nullptr || !ops->Alive()) return false;
            // Under the queue's lock: sent once the job's run is over.
            if (self->delivery == Delivery::AtOnce)
                self->held_ = Held{window, message, ticket};
            else
                ops->Post(message, 0, ticket);
            return true;
        };
        hooks.alive = [&user](WindowHandle window) {
            FakeWindowOps* ops = user.OpsOf(window);
            return ops != nullptr && ops->Alive();
        };
        return hooks;
    }

    FakeUser& user_;
    std::optional<Held> held_;
};

}  // namespace kardello::test
