#pragma once

#include "tamu/IConstArray.h"

#include <cstdint>

namespace tamu {

class IEnum;

// An ordered list of objects, each held by one reference of the array. Elements are found by
// identity. Indexes out of range throw CInvalidArgError.
class TAMU_API IArray : public virtual IConstArray {
public:
    virtual void add(IBase* item) = 0;
    // Appends every element of `other` in order (null: nothing).
    virtual void addAll(const IConstArray* other) = 0;
    // Elements from `index` on move up by one; `index` may be getCount().
    virtual void insert(int32_t index, IBase* item) = 0;
    virtual void insertAll(int32_t index, const IConstArray* other) = 0;
    // Insert in front of / behind the first occurrence of `existing` (CInvalidArgError when it
    // is not an element).
    virtual void insertBefore(const IBase* existing, IBase* item) = 0;
    virtual void insertAfter(const IBase* existing, IBase* item) = 0;
    // Removes the first occurrence; false when there is none.
    virtual bool remove(const IBase* item) = 0;
    // Later elements move down.
    virtual void removeAt(int32_t index) = 0;
    virtual void removeRange(int32_t index, int32_t count) = 0;
    virtual void clear() = 0;
    // Moves the first occurrence of `item` so that it ends up at `index`.
    virtual void moveTo(int32_t index, const IBase* item) = 0;
    // Moves the element at `from` so that it ends up at `index`.
    virtual void move(int32_t index, int32_t from) = 0;
    // Grows with null elements or cuts (releasing what is cut).
    virtual void setCount(int32_t count) = 0;
    // Replaces an element: the new one is referenced, the old one released.
    virtual void set(int32_t index, IBase* item) = 0;
    // A walk over the elements that may remove them as it goes.
    virtual P<IEnum> getEnum() = 0;
    // Gives spare capacity back.
    virtual void trim() = 0;
};

} // namespace tamu
