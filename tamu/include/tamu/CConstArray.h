#pragma once

#include "tamu/CObject.h"
#include "tamu/IConstArray.h"
#include "tamu/TSimpleArray.h"

#include <cstdint>

namespace tamu {

// A fixed list of objects, made once from another array (or empty) and only read afterwards.
class CConstArray : public CObject, public virtual IConstArray {
public:
    class CConstEnum;

    CConstArray();
    // Holds the elements `source` holds now (null: none).
    explicit CConstArray(const IConstArray* source);
    CConstArray(const CConstArray&) = delete;
    CConstArray& operator=(const CConstArray&) = delete;
    ~CConstArray() override;

    int32_t getCount() const override;
    bool isEmpty() const override;
    P<IBase> get(int32_t index) const override;
    int32_t indexOf(const IBase* item, int32_t start = 0) const override;
    bool contains(const IBase* item) const override;
    P<IConstEnum> getConstEnum() const override;

private:
    TSimpleArray<P<IBase>> m_items;
};

} // namespace tamu
