#pragma once
// The executor's own queue and mailbox with no thread: a test runs each job when it
// chooses, and the results come back through FakeUser's posted messages.

#include "fakes/FakeUser.h"
#include "platform/WorkQueue.h"

namespace kardello::test {

class FakeExecutor : public WorkQueue {
public:
    explicit FakeExecutor(FakeUser& user) : WorkQueue(Hooks(user), Mode::Manual) {}

    // Runs every waiting job (and those they submit), then delivers what was posted.
    void RunAll(FakeUser& user) {
        while (RunNext()) {
        }
        user.PumpPosted();
    }

private:
    static WorkQueueHooks Hooks(FakeUser& user) {
        WorkQueueHooks hooks;
        hooks.post = [&user](WindowHandle window, std::uint32_t message, std::intptr_t ticket) {
            FakeWindowOps* ops = user.OpsOf(window);
            if (ops == nullptr || !ops->Alive()) return false;
            ops->Post(message, 0, ticket);
            return true;
        };
        hooks.alive = [&user](WindowHandle window) {
            FakeWindowOps* ops = user.OpsOf(window);
            return ops != nullptr && ops->Alive();
        };
        return hooks;
    }
};

}  // namespace kardello::test
