#include "tamu/CObject.h"

namespace tamu {

void CReferencable::addRef() const {
    m_refCount.fetch_add(1, std::memory_order_relaxed);
}

void CReferencable::release() const {
    // acq_rel: the thread that destroys must see every write made through other references.
    if (m_refCount.fetch_sub(1, std::memory_order_acq_rel) != 1)
        return;
    m_refCount.store(destroyingCount, std::memory_order_relaxed);
    destroy();
}

void CReferencable::destroy() const {
    delete this;
}

void CObject::addRef() const {
    CReferencable::addRef();
}

void CObject::release() const {
    CReferencable::release();
}

bool CObject::getCastDelegates(const std::type_info&, IBase**, CastDelegateNode**) const {
    return true;
}

} // namespace tamu
