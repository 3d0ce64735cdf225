#pragma once
// One owner for every kind of handle the system opens: the handle is given back to
// whoever made it (IKernel::Close, IDeviceIo::Close, IShell::DestroyIcon,
// ICanvas::DeleteObject) when its owner goes, on every path.

#include <utility>

namespace kardello {

template <class Handle, class Maker, void (Maker::*GiveBack)(Handle)>
class Owned {
public:
    Owned() = default;
    Owned(Maker& maker, Handle handle) : maker_(&maker), handle_(handle) {}
    ~Owned() { Reset(); }
    Owned(Owned&& other) noexcept
        : maker_(other.maker_), handle_(std::exchange(other.handle_, Handle{})) {}
    Owned& operator=(Owned other) noexcept {
        std::swap(maker_, other.maker_);
        std::swap(handle_, other.handle_);
        return *this;
    }

    Handle Get() const { return handle_; }
    explicit operator bool() const { return handle_ != Handle{}; }
    // Keeps the handle open beyond this owner, for as long as the process lives.
    Handle Release() { return std::exchange(handle_, Handle{}); }

private:
    void Reset() {
        if (handle_ != Handle{} && maker_ != nullptr) (maker_->*GiveBack)(std::exchange(handle_, Handle{}));
    }

    Maker* maker_ = nullptr;
    Handle handle_{};
};

}  // namespace kardello
