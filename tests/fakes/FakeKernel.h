#pragma once
// Named semaphores shared by every "process" of a test.

#include <functional>
#include <map>
#include <string>

#include "platform/Kernel.h"

namespace kardello::test {

class FakeKernel : public IKernel {
public:
    struct Semaphore {
        long count = 0;
        long maximum = 1;
        int handles = 0;
        bool guarded = false;  // made by a program with other rights: no full access
    };

    KernelHandle OpenSemaphore(const std::string& name, bool* denied) override;
    KernelHandle CreateSemaphore(long initial, long maximum, const std::string& name,
                                 bool* existed) override;
    bool ReleaseSemaphore(KernelHandle semaphore, long count) override;
    std::uint32_t Wait(KernelHandle object, std::uint32_t milliseconds) override;
    void Close(KernelHandle object) override;

    // Another program holding a semaphore of this name, e.g. the running photo application.
    void Hold(const std::string& name, long count = 0, long maximum = 1);
    // The same, by a program running with other rights (elevated): opens and creates
    // of it are denied.
    void HoldGuarded(const std::string& name);
    void Drop(const std::string& name);  // that program ended
    const Semaphore* Find(const std::string& name) const;
    std::size_t OpenHandles() const { return handles_.size(); }
    int opens = 0;
    int creates = 0;
    int waits = 0;
    std::function<void(const std::string&)> beforeCreate;  // another start racing this one

private:
    KernelHandle NewHandle(const std::string& name);
    std::map<std::string, Semaphore> named_;
    std::map<std::uintptr_t, std::string> handles_;
    std::uintptr_t next_ = 0x500;
};

}  // namespace kardello::test
