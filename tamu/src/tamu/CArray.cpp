#include "tamu/CArray.h"

#include "arraySupport.h"
#include "tamu/CObjectError.h"
#include "tamu/IEnum.h"
#include "tamu/str.h"
#include "tamu/stringConv.h"

namespace tamu {

class CArray::CEnum : public TArrayWalk<CArray, IEnum> {
public:
    using TArrayWalk::TArrayWalk;

    P<IBase> next() override {
        P<IBase> item = TArrayWalk::next();
        m_removable = true;
        return item;
    }

    void remove() override {
        if (!m_removable)
            throw CInvalidObjectStateError(this, str("no element to remove"));
        m_array->removeAt(--m_index);
        m_removable = false;
    }

private:
    bool m_removable = false;
};

class CArray::CConstEnum : public TArrayWalk<const CArray, IConstEnum> {
public:
    using TArrayWalk::TArrayWalk;
};

CArray::CArray(int32_t growBy) : m_items(growBy) {}

CArray::~CArray() = default;

int32_t CArray::getCount() const {
    return m_items.getCount();
}

bool CArray::isEmpty() const {
    return m_items.getCount() == 0;
}

P<IBase> CArray::get(int32_t index) const {
    checkIndex("CArray::get", index, m_items.getCount());
    return m_items.get(index);
}

int32_t CArray::indexOf(const IBase* item, int32_t start) const {
    return indexOfItem(m_items, item, start);
}

bool CArray::contains(const IBase* item) const {
    return indexOfItem(m_items, item, 0) >= 0;
}

P<IConstEnum> CArray::getConstEnum() const {
    return make<CConstEnum>(PC<CArray>(this));
}

void CArray::add(IBase* item) {
    m_items.add(P<IBase>(item));
}

void CArray::addAll(const IConstArray* other) {
    if (!other)
        return;
    // Counted first: adding an array to itself copies what it held before.
    int32_t count = other->getCount();
    for (int32_t i = 0; i < count; ++i)
        m_items.add(other->get(i));
}

void CArray::insert(int32_t index, IBase* item) {
    checkIndex("CArray::insert", index, m_items.getCount() + 1);
    openGap(index, 1);
    m_items.set(index, P<IBase>(item));
}

void CArray::insertAll(int32_t index, const IConstArray* other) {
    checkIndex("CArray::insertAll", index, m_items.getCount() + 1);
    if (!other)
        return;
    int32_t count = other->getCount();
    if (other == static_cast<const IConstArray*>(this)) {
        // Inserting an array into itself: the gap would split the source.
        CArray copy;
        copy.addAll(other);
        insertAll(index, &copy);
        return;
    }
    openGap(index, count);
    for (int32_t i = 0; i < count; ++i)
        m_items.set(index + i, other->get(i));
}

void CArray::insertBefore(const IBase* existing, IBase* item) {
    insert(requireIndexOf("CArray::insertBefore", existing), item);
}

void CArray::insertAfter(const IBase* existing, IBase* item) {
    insert(requireIndexOf("CArray::insertAfter", existing) + 1, item);
}

bool CArray::remove(const IBase* item) {
    int32_t index = indexOfItem(m_items, item, 0);
    if (index < 0)
        return false;
    removeAt(index);
    return true;
}

void CArray::removeAt(int32_t index) {
    removeRange(index, 1);
}

void CArray::removeRange(int32_t index, int32_t count) {
    int32_t total = m_items.getCount();
    checkIndex("CArray::removeRange", index, total + 1);
    if (count < 0 || count > total - index)
        throwIndexError(this, "CArray::removeRange", index + count, total + 1);
    if (count == 0)
        return;
    for (int32_t i = index; i + count < total; ++i)
        m_items.set(i, m_items.get(i + count));
    setCount(total - count);
}

void CArray::clear() {
    setCount(0);
}

void CArray::moveTo(int32_t index, const IBase* item) {
    move(index, requireIndexOf("CArray::moveTo", item));
}

void CArray::move(int32_t index, int32_t from) {
    int32_t count = m_items.getCount();
    checkIndex("CArray::move", from, count);
    checkIndex("CArray::move", index, count);
    P<IBase> item = m_items.get(from);
    for (int32_t i = from; i < index; ++i)
        m_items.set(i, m_items.get(i + 1));
    for (int32_t i = from; i > index; --i)
        m_items.set(i, m_items.get(i - 1));
    m_items.set(index, item);
}

void CArray::setCount(int32_t count) {
    if (count < 0)
        throwIndexError(this, "CArray::setCount", count, m_items.getCount() + 1);
    while (m_items.getCount() < count)
        m_items.add(P<IBase>());
    // Cut elements are released now, not when their slot is reused.
    while (m_items.getCount() > count) {
        m_items.removeAt(m_items.getCount() - 1);
        *m_items.slotAt(m_items.getCount()) = nullptr;
    }
}

void CArray::set(int32_t index, IBase* item) {
    checkIndex("CArray::set", index, m_items.getCount());
    m_items.set(index, P<IBase>(item));
}

P<IEnum> CArray::getEnum() {
    return make<CEnum>(P<CArray>(this));
}

void CArray::trim() {
    m_items.resize(m_items.getCount());
}

int32_t CArray::getCapacity() const {
    return m_items.getCapacity();
}

void CArray::openGap(int32_t index, int32_t count) {
    int32_t oldCount = m_items.getCount();
    for (int32_t i = 0; i < count; ++i)
        m_items.add(P<IBase>());
    for (int32_t i = oldCount - 1; i >= index; --i)
        m_items.set(i + count, m_items.get(i));
    for (int32_t i = index; i < index + count; ++i)
        m_items.set(i, nullptr);
}

void CArray::checkIndex(const char* method, int32_t index, int32_t limit) const {
    if (index < 0 || index >= limit)
        throwIndexError(this, method, index, m_items.getCount());
}

int32_t CArray::requireIndexOf(const char* method, const IBase* item) const {
    int32_t index = indexOfItem(m_items, item, 0);
    if (index < 0)
        throw CInvalidArgError(this, stringConv::fromUTF8(method),
                               str("the object is not an element of the array"));
    return index;
}

} // namespace tamu
