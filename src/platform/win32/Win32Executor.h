#pragma once
// The executor on Windows: a worker thread of its own, in a COM apartment as the shell's
// starts and icons from another thread need, that posts each result's ticket to its window.
// A program may keep one per kind of wait, so that a reader stuck in its driver holds up
// no icon.

#include "platform/WorkQueue.h"

namespace kardello {

class Win32Executor final : public WorkQueue {
public:
    Win32Executor();
};

}  // namespace kardello
