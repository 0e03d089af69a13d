#pragma once

#include <utility>

namespace tamu {

// A pointer that may or may not hold a reference. Listener registries keep uncounted entries so
// they never keep their listeners alive; a listener unregisters itself before it goes away.
template <class T>
class PFrail {
public:
    PFrail() noexcept = default;
    PFrail(T* p, bool counted) noexcept : ptr(p), counted(counted) { take(); }
    PFrail(const PFrail& other) noexcept : ptr(other.ptr), counted(other.counted) { take(); }
    ~PFrail() { drop(); }

    PFrail& operator=(const PFrail& other) noexcept {
        if (this != &other) {
            PFrail copy(other);
            std::swap(ptr, copy.ptr);
            std::swap(counted, copy.counted);
        }
        return *this;
    }

    static PFrail uncounted(T* p) noexcept { return PFrail(p, false); }

    // Registries compare entries by the object they point to, whatever their counting.
    bool operator==(const PFrail& other) const noexcept { return ptr == other.ptr; }

    T* ptr = nullptr;
    bool counted = true;

private:
    void take() noexcept {
        if (counted && ptr)
            ptr->addRef();
    }
    void drop() noexcept {
        if (counted && ptr)
            ptr->release();
    }
};

} // namespace tamu
