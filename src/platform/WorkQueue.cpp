#include "platform/WorkQueue.h"

#include <condition_variable>
#include <deque>
#include <map>
#include <mutex>
#include <system_error>
#include <thread>
#include <utility>

namespace kardello {

namespace {

struct Pending {
    WindowHandle window;
    std::uint32_t message;
    IExecutor::Job job;
};

struct Posted {
    WindowHandle window;
    std::uint32_t message;
    std::unique_ptr<JobResult> result;
};

}  // namespace

// Shared with a worker that may outlive the queue while a job is stuck.
struct WorkQueue::State {
    explicit State(WorkQueueHooks h) : hooks(std::move(h)) {}

    // Runs one job outside the lock and files its result; false when stopped or idle.
    bool RunOne(std::unique_lock<std::mutex>& lock);
    void Worker();

    const WorkQueueHooks hooks;
    mutable std::mutex mutex;
    std::condition_variable wake;
    std::deque<Pending> jobs;
    std::map<std::intptr_t, Posted> mailbox;
    std::intptr_t lastTicket = 0;
    bool started = false;
    bool stopped = false;
};

bool WorkQueue::State::RunOne(std::unique_lock<std::mutex>& lock) {
    if (stopped || jobs.empty()) return false;
    Pending next = std::move(jobs.front());
    jobs.pop_front();
    lock.unlock();
    std::unique_ptr<JobResult> result = next.job();
    next.job = nullptr;  // what it captured goes on this thread, outside the lock
    lock.lock();
    if (stopped || result == nullptr) {
        lock.unlock();
        result.reset();
        lock.lock();
        return true;
    }
    // Tickets only grow, and never 0: a zero lParam names nothing.
    const std::intptr_t ticket = ++lastTicket;
    mailbox.emplace(ticket, Posted{next.window, next.message, std::move(result)});
    // Posted under the lock: the result is filed before the window can look for it, and
    // tickets reach each window in the order they were given.
    if (!hooks.post || !hooks.post(next.window, next.message, ticket)) {
        std::unique_ptr<JobResult> dropped = std::move(mailbox[ticket].result);
        mailbox.erase(ticket);
        lock.unlock();
        dropped.reset();
        lock.lock();
    }
    return true;
}

void WorkQueue::State::Worker() {
    if (hooks.threadStart) hooks.threadStart();
    {
        std::unique_lock<std::mutex> lock(mutex);
        for (;;) {
            wake.wait(lock, [this] { return stopped || !jobs.empty(); });
            if (stopped) break;
            RunOne(lock);
        }
    }
    if (hooks.threadEnd) hooks.threadEnd();
}

WorkQueue::WorkQueue(WorkQueueHooks hooks, Mode mode)
    : state_(std::make_shared<State>(std::move(hooks))) {
    // A manual queue counts as started: no thread ever is.
    state_->started = mode == Mode::Manual;
}

WorkQueue::~WorkQueue() {
    std::deque<Pending> jobs;
    std::map<std::intptr_t, Posted> mailbox;
    {
        std::lock_guard<std::mutex> lock(state_->mutex);
        state_->stopped = true;
        jobs.swap(state_->jobs);
        mailbox.swap(state_->mailbox);
    }
    state_->wake.notify_all();
    // Freed here, outside the lock, on the window's thread that owns them.
}

void WorkQueue::Enqueue(WindowHandle window, std::uint32_t message, Job job) {
    if (window == nullptr || !job) return;
    bool start = false;
    {
        std::lock_guard<std::mutex> lock(state_->mutex);
        if (state_->stopped) return;
        state_->jobs.push_back(Pending{window, message, std::move(job)});
        start = !state_->started;
        state_->started = true;
    }
    if (start) {
        // Detached: the queue's end never waits for a job stuck in a driver.
        try {
            std::thread([state = state_] { state->Worker(); }).detach();
        } catch (const std::system_error&) {
            // No thread now: the jobs wait, and the next submission tries again.
            std::lock_guard<std::mutex> lock(state_->mutex);
            state_->started = false;
        }
    } else {
        state_->wake.notify_one();
    }
}

std::unique_ptr<JobResult> WorkQueue::TakeResult(WindowHandle window, std::uint32_t message,
                                                 std::intptr_t ticket) {
    std::unique_ptr<JobResult> taken;
    std::deque<std::unique_ptr<JobResult>> orphans;
    {
        std::lock_guard<std::mutex> lock(state_->mutex);
        auto found = state_->mailbox.find(ticket);
        if (found != state_->mailbox.end() && found->second.window == window &&
            found->second.message == message) {
            taken = std::move(found->second.result);
            state_->mailbox.erase(found);
        }
        // Results whose window closed before it took them go now.
        for (auto it = state_->mailbox.begin(); it != state_->mailbox.end();) {
            if (state_->hooks.alive && !state_->hooks.alive(it->second.window)) {
                orphans.push_back(std::move(it->second.result));
                it = state_->mailbox.erase(it);
            } else {
                ++it;
            }
        }
    }
    return taken;
}

bool WorkQueue::RunNext() {
    std::unique_lock<std::mutex> lock(state_->mutex);
    return state_->RunOne(lock);
}

std::size_t WorkQueue::Waiting() const {
    std::lock_guard<std::mutex> lock(state_->mutex);
    return state_->jobs.size();
}

std::size_t WorkQueue::Unclaimed() const {
    std::lock_guard<std::mutex> lock(state_->mutex);
    return state_->mailbox.size();
}

}  // namespace kardello
