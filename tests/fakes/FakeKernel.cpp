#include "fakes/FakeKernel.h"

namespace kardello::test {

KernelHandle FakeKernel::NewHandle(const std::string& name) {
    ++named_[name].handles;
    handles_[next_] = name;
    return reinterpret_cast<KernelHandle>(next_++);
}

KernelHandle FakeKernel::OpenSemaphore(const std::string& name) {
    ++opens;
    return named_.count(name) ? NewHandle(name) : nullptr;
}

KernelHandle FakeKernel::CreateSemaphore(long initial, long maximum, const std::string& name,
                                         bool* existed) {
    if (beforeCreate) beforeCreate(name);
    const bool found = named_.count(name) > 0;
    if (existed != nullptr) *existed = found;
    if (!found) named_[name] = Semaphore{initial, maximum, 0};
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

void FakeKernel::Drop(const std::string& name) {
    auto named = named_.find(name);
    if (named != named_.end() && --named->second.handles <= 0) named_.erase(named);
}

const FakeKernel::Semaphore* FakeKernel::Find(const std::string& name) const {
    auto named = named_.find(name);
    return named == named_.end() ? nullptr : &named->second;
}

}  // namespace kardello::test
