#pragma once
// Work that may wait on a device, a file or another program runs elsewhere; its result
// comes back to a window, on the window's thread, as a posted message.
//
// The message carries only a ticket. The result itself waits in the executor until the
// window's thread takes it, so a ticket that is forged, stale or meant for another window
// finds nothing, and a result whose window has closed is freed by the executor. A window
// receives its results through a table row, typed by what the job returns:
//
//     KARDELLO_RESULT(kMsgIconRead, executor_, OnIconRead)   // void OnIconRead(IconRead read)
//
// A job runs on another thread: it owns everything it uses (captured by value) and never
// calls a window. Results reach one window in the order their jobs were submitted.

#include <cstdint>
#include <functional>
#include <memory>
#include <type_traits>
#include <utility>

#include "platform/Messages.h"

namespace kardello {

class WindowBase;

// A job's result, owned by the executor until the window's thread takes it.
struct JobResult {
    virtual ~JobResult() = default;
};

template <class R>
struct JobResultOf final : JobResult {
    explicit JobResultOf(R v) : value(std::move(v)) {}
    R value;
};

class IExecutor {
public:
    using Job = std::function<std::unique_ptr<JobResult>()>;

    virtual ~IExecutor() = default;

    // Runs `job` elsewhere and posts `message` to `window` when its result is ready. A
    // window that has no handle, or is gone by then, gets nothing; the result is freed.
    template <class F>
    void Submit(WindowHandle window, std::uint32_t message, F job) {
        using R = std::invoke_result_t<F&>;
        Enqueue(window, message, [job = std::move(job)]() mutable -> std::unique_ptr<JobResult> {
            return std::make_unique<JobResultOf<R>>(job());
        });
    }

    // On the window's thread: the result that `ticket` (the message's lParam) names, if it
    // is one of type R for this window and message; nothing otherwise.
    template <class R>
    std::unique_ptr<R> Take(WindowHandle window, std::uint32_t message, std::intptr_t ticket) {
        std::unique_ptr<JobResult> taken = TakeResult(window, message, ticket);
        auto* typed = dynamic_cast<JobResultOf<R>*>(taken.get());
        if (typed == nullptr) return nullptr;
        return std::make_unique<R>(std::move(typed->value));
    }

protected:
    virtual void Enqueue(WindowHandle window, std::uint32_t message, Job job) = 0;
    virtual std::unique_ptr<JobResult> TakeResult(WindowHandle window, std::uint32_t message,
                                                  std::intptr_t ticket) = 0;
};

}  // namespace kardello
