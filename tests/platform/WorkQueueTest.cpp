// Work run elsewhere and handed back to a window: stepped by hand over the fakes, and once
// on a real thread (the test the tsan preset runs).

#include <gtest/gtest.h>

#include <atomic>
#include <chrono>
#include <condition_variable>
#include <deque>
#include <mutex>
#include <string>
#include <thread>
#include <vector>

#include "fakes/FakeExecutor.h"
#include "platform/MessageMap.h"

namespace kardello::test {
namespace {

constexpr std::uint32_t kMsgRead = wm::kApp + 7;
constexpr std::uint32_t kMsgOther = wm::kApp + 8;

// Counts the payloads alive, so a result dropped anywhere is seen to be freed.
struct Counted {
    static std::atomic<int> alive;
    explicit Counted(std::string t) : text(std::move(t)) { ++alive; }
    Counted(const Counted& other) : text(other.text) { ++alive; }
    Counted(Counted&& other) noexcept : text(std::move(other.text)) { ++alive; }
    ~Counted() { --alive; }
    std::string text;
};
std::atomic<int> Counted::alive{0};

class Reader : public WindowBase {
public:
    explicit Reader(IExecutor& executor) : executor_(executor) {}
    std::vector<std::string> got;
    std::vector<int> numbers;

private:
    KARDELLO_BEGIN_MESSAGES(Reader)
        KARDELLO_RESULT(kMsgRead, executor_, OnRead)
        KARDELLO_RESULT(kMsgOther, executor_, OnNumber)
    KARDELLO_END_MESSAGES(nullptr)

    void OnRead(Counted read) { got.push_back(read.text); }
    void OnNumber(int n) { numbers.push_back(n); }

    IExecutor& executor_;
};

TEST(WorkQueueTest, ResultsComeBackInOrderOnlyToTheirWindowAndThoseOfAClosedWindowAreFreed) {
    FakeUser user;
    {
        FakeExecutor executor(user);
        Reader first(executor), second(executor);
        ASSERT_TRUE(user.CreateHiddenToolWindow(first, "first"));
        ASSERT_TRUE(user.CreateHiddenToolWindow(second, "second"));

        // Nothing runs, and nothing comes back, until the job is run.
        executor.Submit(first.Handle(), kMsgRead, [] { return Counted("a"); });
        executor.Submit(second.Handle(), kMsgOther, [] { return 42; });
        executor.Submit(first.Handle(), kMsgRead, [] { return Counted("b"); });
        EXPECT_EQ(executor.Waiting(), 3u);
        user.PumpPosted();
        EXPECT_TRUE(first.got.empty());

        executor.RunAll(user);
        EXPECT_EQ(first.got, (std::vector<std::string>{"a", "b"}));
        EXPECT_EQ(second.numbers, (std::vector<int>{42}));
        EXPECT_EQ(executor.Unclaimed(), 0u);

        // Forged tickets, a ticket sent to the wrong window, a result of the wrong type for
        // the row, and one taken twice: all ignored.
        executor.Submit(first.Handle(), kMsgRead, [] { return Counted("c"); });
        ASSERT_TRUE(executor.RunNext());
        user.Send(second, kMsgRead, 0, 4);
        user.Send(first, kMsgRead, 0, 1);
        user.Send(first, kMsgRead, 0, 0);
        user.Send(first, kMsgRead, 0, 999);
        user.Send(first, kMsgOther, 0, 4);
        EXPECT_TRUE(second.got.empty());
        EXPECT_TRUE(first.numbers.empty());
        user.PumpPosted();
        user.Send(first, kMsgRead, 0, 4);  // its ticket, once more
        EXPECT_EQ(first.got, (std::vector<std::string>{"a", "b", "c"}));

        // A window that closes with its result posted and one that closes before its job
        // ran: nothing reaches them, and the results are freed.
        executor.Submit(first.Handle(), kMsgRead, [] { return Counted("late"); });
        executor.Submit(second.Handle(), kMsgOther, [] { return 7; });
        ASSERT_TRUE(executor.RunNext());
        user.Destroy(first);
        EXPECT_EQ(Counted::alive.load(), 1);  // still in the mailbox
        executor.Submit(first.Handle(), kMsgRead, [] { return Counted("never"); });
        executor.RunAll(user);
        EXPECT_EQ(first.got, (std::vector<std::string>{"a", "b", "c"}));
        EXPECT_EQ(second.numbers, (std::vector<int>{42, 7}));
        EXPECT_EQ(executor.Unclaimed(), 0u);
        EXPECT_EQ(Counted::alive.load(), 0);

        // Results posted but never taken go with the executor.
        executor.Submit(second.Handle(), kMsgRead, [] { return Counted("kept"); });
        ASSERT_TRUE(executor.RunNext());
        EXPECT_EQ(Counted::alive.load(), 1);
    }
    EXPECT_EQ(Counted::alive.load(), 0);
}

// A window's thread in miniature: posted tickets wait in a queue it drains.
struct Inbox {
    std::mutex mutex;
    std::condition_variable arrived;
    std::deque<std::pair<std::uint32_t, std::intptr_t>> tickets;
    bool open = true;
};

TEST(WorkQueueTest, ARealWorkerHandsResultsBackInOrderAndItsEndWaitsForNoStuckJob) {
    auto inbox = std::make_shared<Inbox>();
    auto windowAlive = std::make_shared<std::atomic<bool>>(true);
    struct Worker {
        std::mutex mutex;
        std::condition_variable changed;
        int started = 0, ended = 0;
        std::thread::id id;
    };
    auto worker = std::make_shared<Worker>();

    WorkQueueHooks hooks;
    hooks.post = [inbox](WindowHandle, std::uint32_t message, std::intptr_t ticket) {
        std::lock_guard<std::mutex> lock(inbox->mutex);
        if (!inbox->open) return false;
        inbox->tickets.emplace_back(message, ticket);
        inbox->arrived.notify_all();
        return true;
    };
    hooks.alive = [windowAlive](WindowHandle) { return windowAlive->load(); };
    hooks.threadStart = [worker] {
        std::lock_guard<std::mutex> lock(worker->mutex);
        ++worker->started;
        worker->id = std::this_thread::get_id();
    };
    hooks.threadEnd = [worker] {
        std::lock_guard<std::mutex> lock(worker->mutex);
        ++worker->ended;
        worker->changed.notify_all();
    };
    auto* const window = reinterpret_cast<WindowHandle>(std::uintptr_t{0x1234});

    // The stuck job's gate: opened only after the queue has gone.
    struct Gate {
        std::mutex mutex;
        std::condition_variable opened;
        bool open = false, entered = false;
    };
    auto gate = std::make_shared<Gate>();
    const auto takeNext = [&inbox] {
        std::unique_lock<std::mutex> lock(inbox->mutex);
        const bool came = inbox->arrived.wait_for(lock, std::chrono::seconds(10),
                                                  [&] { return !inbox->tickets.empty(); });
        if (!came) return std::pair<std::uint32_t, std::intptr_t>{0, 0};
        auto next = inbox->tickets.front();
        inbox->tickets.pop_front();
        return next;
    };

    {
        auto queue = std::make_unique<WorkQueue>(hooks);
        constexpr int kJobs = 50;
        const auto threadName = [] {
            return std::to_string(std::hash<std::thread::id>()(std::this_thread::get_id()));
        };
        for (int i = 0; i < kJobs; ++i)
            queue->Submit(window, kMsgRead, [i, threadName] {
                return Counted(std::to_string(i) + "@" + threadName());
            });
        for (int i = 0; i < kJobs; ++i) {
            const auto [message, ticket] = takeNext();
            ASSERT_EQ(message, kMsgRead);
            auto result = queue->Take<Counted>(window, message, ticket);
            ASSERT_NE(result, nullptr);
            const std::string text = result->text;
            EXPECT_EQ(text.substr(0, text.find('@')), std::to_string(i));
            EXPECT_NE(text.substr(text.find('@') + 1), threadName());  // ran elsewhere
        }
        {
            std::lock_guard<std::mutex> lock(worker->mutex);
            EXPECT_EQ(worker->started, 1);  // one worker for every job
            EXPECT_NE(worker->id, std::this_thread::get_id());
        }

        // A result whose window closes before it is taken is freed at the next take.
        queue->Submit(window, kMsgRead, [] { return Counted("orphan"); });
        const auto orphan = takeNext();
        windowAlive->store(false);
        EXPECT_EQ(queue->Take<Counted>(window, kMsgRead, orphan.second + 1000), nullptr);
        EXPECT_EQ(queue->Unclaimed(), 0u);
        windowAlive->store(true);

        // A job stuck in a driver, and one behind it that never starts.
        queue->Submit(window, kMsgRead, [gate] {
            std::unique_lock<std::mutex> lock(gate->mutex);
            gate->entered = true;
            gate->opened.notify_all();
            gate->opened.wait(lock, [&] { return gate->open; });
            return Counted("stuck");
        });
        queue->Submit(window, kMsgRead, [] { return Counted("behind"); });
        {
            std::unique_lock<std::mutex> lock(gate->mutex);
            ASSERT_TRUE(gate->opened.wait_for(lock, std::chrono::seconds(10),
                                              [&] { return gate->entered; }));
        }
        const auto before = std::chrono::steady_clock::now();
        queue.reset();  // would hang here if the end waited for the stuck job
        EXPECT_LT(std::chrono::steady_clock::now() - before, std::chrono::milliseconds(500));
    }
    EXPECT_EQ(Counted::alive.load(), 0);  // the job behind went with the queue
    {
        std::lock_guard<std::mutex> lock(gate->mutex);
        gate->open = true;
        gate->opened.notify_all();
    }
    // The worker finishes the stuck job, posts nothing, frees its result and ends.
    std::unique_lock<std::mutex> lock(worker->mutex);
    ASSERT_TRUE(worker->changed.wait_for(lock, std::chrono::seconds(10),
                                         [&] { return worker->ended == 1; }));
    EXPECT_EQ(Counted::alive.load(), 0);
    std::lock_guard<std::mutex> inboxLock(inbox->mutex);
    EXPECT_TRUE(inbox->tickets.empty());
}

}  // namespace
}  // namespace kardello::test
