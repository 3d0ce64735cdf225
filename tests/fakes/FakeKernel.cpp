#include "fakes/FakeKernel.h"

namespace kardello::test {

KernelHandle FakeKernel::NewHandle(const std::string& name) {
    ++named_[name].handles;
    handles_[next_] = name;
    return reinterpret_cast<KernelHandle>(next_++);
}

KernelHandle FakeKernel::OpenSemaphore(const std::string& name, bool* denied) {
    ++opens;
    auto found = named_.find(name);
    const bool guarded = found != named_.end() && found->second.guarded;
    if (denied != nullptr) *denied = guarded;
    return found != named_.end() && !guarded ? NewHandle(name) : nullptr;
}

KernelHandle FakeKernel::CreateSemaphore(long initial, long maximum, const std::string& name,
                                         bool* existed) {
    ++creates;
    if (beforeCreate) beforeCreate(name);
    auto found = named_.find(name);
    if (existed != nullptr) *existed = found != named_.end();
    if (found != named_.end() && found->second.guarded) return nullptr;  // access denied
    if (found == named_.end()) named_[name] = Semaphore{initial, maximum, 0};
    return NewHandle(name);
}

bool FakeKernel::ReleaseSemaphore(KernelHandle semaphore, long count) {
    auto handle = handles_.find(reinterpret_cast<std::uintptr_t>(semaphore));
    if (handle == handles_.end()) return false;
    Semaphore& s = named_[handle->second];
    if (s.count + count > s.maximum) return false;  // no effect beyond the maximum
    s.count += count;
    return true;
}

std::uint32_t FakeKernel::Wait(KernelHandle object, std::uint32_t) {
    ++waits;
    auto handle = handles_.find(reinterpret_cast<std::uintptr_t>(object));
    if (handle == handles_.end()) return kWaitFailed;
    Semaphore& s = named_[handle->second];
    if (s.count == 0) return kWaitTimeout;
    --s.count;
    return kWaitObject0;
}

void FakeKernel::Close(KernelHandle object) {
    auto handle = handles_.find(reinterpret_cast<std::uintptr_t>(object));
    if (handle == handles_.end()) return;
    auto named = named_.find(handle->second);
    if (--named->second.handles == 0) named_.erase(named);  // the last handle ends it
    handles_.erase(handle);
}

void FakeKernel::Hold(const std::string& name, long count, long maximum) {
    named_[name] = Semaphore{count, maximum, 1};
}

void FakeKernel::HoldGuarded(const std::string& name) {
    named_[name] = Semaphore{1, 1, 1, true};
}

void FakeKernel::Drop(const std::string& name) {
    auto named = named_.find(name);
    if (named != named_.end() && --named->second.handles <= 0) named_.erase(named);
}

const FakeKernel::Semaphore* FakeKernel::Find(const std::string& name) const {
    auto named = named_.find(name);
    return named == named_.end() ? nullptr : &named->second;
}

}  // namespace kardello::test
