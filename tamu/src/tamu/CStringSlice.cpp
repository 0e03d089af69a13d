#include "tamu/CStringSlice.h"

namespace tamu {

CStringSlice::CStringSlice(const IBase& owner, ICharEncoding& encoding, const void* data,
                           int32_t byteLength, int32_t charCount, bool zeroTerminated)
    : CString(data, byteLength, charCount, zeroTerminated, encoding, StringStorage::reference),
      m_owner(const_cast<IBase*>(&owner)) {}

const IBase& CStringSlice::dataOwner() const {
    return *m_owner;
}

} // namespace tamu
