#include "tamu/CConstArray.h"

#include "arraySupport.h"
#include "tamu/IEnum.h"

namespace tamu {

class CConstArray::CConstEnum : public TArrayWalk<const CConstArray, IConstEnum> {
public:
    using TArrayWalk::TArrayWalk;
};

CConstArray::CConstArray() = default;

CConstArray::CConstArray(const IConstArray* source) {
    if (!source)
        return;
    int32_t count = source->getCount();
    m_items.resize(count);
    for (int32_t i = 0; i < count; ++i)
        m_items.add(source->get(i));
}

CConstArray::~CConstArray() = default;

int32_t CConstArray::getCount() const {
    return m_items.getCount();
}

bool CConstArray::isEmpty() const {
    return m_items.getCount() == 0;
}

P<IBase> CConstArray::get(int32_t index) const {
    if (index < 0 || index >= m_items.getCount())
        throwIndexError(this, "CConstArray::get", index, m_items.getCount());
    return m_items.get(index);
}

int32_t CConstArray::indexOf(const IBase* item, int32_t start) const {
    return indexOfItem(m_items, item, start);
}

bool CConstArray::contains(const IBase* item) const {
    return indexOfItem(m_items, item, 0) >= 0;
}

P<IConstEnum> CConstArray::getConstEnum() const {
    return make<CConstEnum>(PC<CConstArray>(this));
}

} // namespace tamu
