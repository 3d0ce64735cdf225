#pragma once
// COM for the calling thread, single-threaded apartment with OLE1 DDE off, as the shell's
// starts and icons need it; left when the object goes, on the same thread. Its library is
// loaded from the system folder when the first object is made.

namespace kardello {

class ComApartment {
public:
    ComApartment();
    ~ComApartment();
    ComApartment(const ComApartment&) = delete;
    ComApartment& operator=(const ComApartment&) = delete;

    bool Entered() const { return entered_; }

private:
    bool entered_ = false;
};

}  // namespace kardello
