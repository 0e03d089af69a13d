#pragma once

#include "tamu/CObject.h"
#include "tamu/CObjectError.h"
#include "tamu/TSimpleArray.h"

#include <cstdint>

namespace tamu {

// What the array classes share: identity search and the walk over their elements.

inline int32_t indexOfItem(const TSimpleArray<P<IBase>>& items, const IBase* item, int32_t start) {
    for (int32_t i = start < 0 ? 0 : start; i < items.getCount(); ++i) {
        if (items.get(i).get() == item)
            return i;
    }
    return -1;
}

// `method` as "Class::operation"; the index and the valid range go into the argument text.
[[noreturn]] void throwIndexError(const IBase* array, const char* method, int32_t index,
                                  int32_t count);

// A walk by index over an array (`Array` may be const) that it keeps alive.
template <class Array, class Interface>
class TArrayWalk : public CObject, public virtual Interface {
public:
    explicit TArrayWalk(const P<Array>& array) : m_array(array) {}

    bool hasMore() const override { return m_index < m_array->getCount(); }
    P<IBase> next() override {
        if (!hasMore())
            throw CEndOfEnumError(this);
        return m_array->get(m_index++);
    }

protected:
    P<Array> m_array;
    int32_t m_index = 0;
};

} // namespace tamu
