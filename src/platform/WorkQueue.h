#pragma once
// The executor's queue, mailbox and worker, in portable C++. The platform supplies how a
// ticket is posted to a window, whether a window still exists, and what the worker thread
// does when it starts and ends (the Windows one enters a COM apartment).
//
// The worker starts with the first job. The queue's end never waits for it: jobs not yet
// started are dropped, and a job stuck in a driver finishes on its own, its result freed.

#include <cstdint>
#include <functional>
#include <memory>

#include "platform/Executor.h"

namespace kardello {

struct WorkQueueHooks {
    // Posts `message` with lParam `ticket` to `window`; false when the window is gone.
    // Called from the worker thread.
    std::function<bool(WindowHandle window, std::uint32_t message, std::intptr_t ticket)> post;
    // Whether `window` still exists; called on the window's thread.
    std::function<bool(WindowHandle window)> alive;
    // The worker thread's first and last steps; either may be empty.
    std::function<void()> threadStart, threadEnd;
};

class WorkQueue : public IExecutor {
public:
    enum class Mode {
        Threaded,  // a worker thread of its own
        Manual     // no thread: RunNext runs the next job on the caller's thread
    };

    explicit WorkQueue(WorkQueueHooks hooks, Mode mode = Mode::Threaded);
    ~WorkQueue() override;
    WorkQueue(const WorkQueue&) = delete;
    WorkQueue& operator=(const WorkQueue&) = delete;

    // Manual mode: runs the oldest waiting job and posts its result; false when none waits.
    bool RunNext();
    // Jobs submitted and not yet started.
    std::size_t Waiting() const;
    // Results posted and not yet taken.
    std::size_t Unclaimed() const;

protected:
    void Enqueue(WindowHandle window, std::uint32_t message, Job job) override;
    std::unique_ptr<JobResult> TakeResult(WindowHandle window, std::uint32_t message,
                                          std::intptr_t ticket) override;

private:
    struct State;
    std::shared_ptr<State> state_;
};

}  // namespace kardello
