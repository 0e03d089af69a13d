#pragma once

#include "tamu/CObject.h"
#include "tamu/IVariant.h"

#include <cstdint>
#include <vector>

namespace tamu {

// An ordered list of variants (a JSON array). Elements may be null.
class CVariantArray final : public CObject, public virtual IVariant {
public:
    CVariantArray();
    ~CVariantArray() override;

    void append(const P<IVariant>& value);
    int32_t getCount() const;
    // CInvalidArgError when `index` is not below getCount().
    P<IVariant> get(int32_t index) const;

    // The elements' texts between brackets, separated by ", ".
    P<IString> asText() const override;
    P<IVariant> clone() const override;

private:
    std::vector<P<IVariant>> m_values;
};

} // namespace tamu
