#pragma once

#include "tamu/IBase.h"

#include <atomic>
#include <cstdint>

namespace tamu {

// The intrusive reference count every object of the library carries.
class TAMU_API CReferencable {
public:
    // Stored when the count reaches zero so references taken and dropped while the destructor
    // runs (a destructor handing `this` to a listener, say) never bring it back to zero.
    static constexpr int32_t destroyingCount = -1000000;

    CReferencable() noexcept = default;
    // A copy (a thrown exception, a clone) starts with the one reference its adopter expects.
    CReferencable(const CReferencable&) noexcept {}
    CReferencable& operator=(const CReferencable&) noexcept { return *this; }
    virtual ~CReferencable() = default;

    virtual void addRef() const;
    virtual void release() const;
    virtual void destroy() const;

    int32_t getRefCount() const noexcept { return m_refCount.load(std::memory_order_relaxed); }

protected:
    // A pooled object whose destroy() parked it instead of deleting it starts its next life
    // with the one reference its adopter expects.
    void resetRefCount() const noexcept { m_refCount.store(1, std::memory_order_relaxed); }

private:
    mutable std::atomic<int32_t> m_refCount{1};
};

class TAMU_API CObject : public CReferencable, public virtual IBase {
public:
    void addRef() const override;
    void release() const override;
    bool getCastDelegates(const std::type_info& type, IBase** delegate,
                          CastDelegateNode** extras) const override;
    // The demangled class name followed by " object".
    P<IString> toString() const override;
};

} // namespace tamu
