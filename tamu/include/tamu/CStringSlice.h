#pragma once

#include "tamu/CString.h"

namespace tamu {

// A string whose bytes belong to another object (a string it was cut from), kept alive here.
class CStringSlice : public CString {
public:
    CStringSlice(const IBase& owner, ICharEncoding& encoding, const void* data, int32_t byteLength,
                 int32_t charCount, bool zeroTerminated);

protected:
    const IBase& dataOwner() const override;

private:
    P<IBase> m_owner;
};

} // namespace tamu
