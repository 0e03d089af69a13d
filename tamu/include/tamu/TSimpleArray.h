#pragma once

#include "tamu/CObject.h"

#include <cstdint>
#include <utility>

namespace tamu {

// A growable array that grows by a fixed step: its owners hold short lists (listeners,
// factories) where geometric growth would only waste memory.
template <class T>
class TSimpleArray : public CObject {
public:
    explicit TSimpleArray(int32_t growBy = 10) : m_growBy(growBy > 0 ? growBy : 10) {}
    TSimpleArray(const TSimpleArray&) = delete;
    TSimpleArray& operator=(const TSimpleArray&) = delete;
    ~TSimpleArray() override { delete[] m_data; }

    void add(const T& value) {
        if (m_capacity < m_count + 1) {
            // The value may be one of this array's own elements, which growing frees.
            T kept(value);
            int32_t newCapacity = m_capacity + m_growBy;
            if (newCapacity < m_count + 1)
                newCapacity = m_count + 1;
            reallocate(newCapacity);
            m_data[m_count] = std::move(kept);
        } else {
            m_data[m_count] = value;
        }
        ++m_count;
    }

    // Removes the first element equal to `value`, keeping the order of the others.
    bool removeFirst(const T& value) {
        int32_t index = indexOf(value);
        if (index < 0)
            return false;
        removeAt(index);
        return true;
    }

    void removeAt(int32_t index) {
        for (int32_t i = index; i + 1 < m_count; ++i)
            m_data[i] = m_data[i + 1];
        --m_count;
    }

    int32_t indexOf(const T& value) const {
        for (int32_t i = 0; i < m_count; ++i) {
            if (m_data[i] == value)
                return i;
        }
        return -1;
    }

    // Shrinking keeps the first `newCapacity` elements; 0 frees the block.
    void resize(int32_t newCapacity) {
        if (newCapacity < 0)
            newCapacity = 0;
        reallocate(newCapacity);
        if (m_count > newCapacity)
            m_count = newCapacity;
    }

    T& get(int32_t index) { return m_data[index]; }
    const T& get(int32_t index) const { return m_data[index]; }
    void set(int32_t index, const T& value) { m_data[index] = value; }
    int32_t getCount() const { return m_count; }
    int32_t getCapacity() const { return m_capacity; }
    int32_t getGrowBy() const { return m_growBy; }

    // The slot just past the last element; cleaning owners reset it after a removal.
    T* slotAt(int32_t index) { return index < m_capacity ? &m_data[index] : nullptr; }

private:
    void reallocate(int32_t newCapacity) {
        T* block = newCapacity > 0 ? new T[newCapacity] : nullptr;
        int32_t kept = m_count < newCapacity ? m_count : newCapacity;
        for (int32_t i = 0; i < kept; ++i)
            block[i] = m_data[i];
        delete[] m_data;
        m_data = block;
        m_capacity = newCapacity;
    }

    T* m_data = nullptr;
    int32_t m_capacity = 0;
    int32_t m_count = 0;
    int32_t m_growBy;
};

// An array whose removals also reset the vacated end slot, so a removed counted pointer does not
// linger (and keep its object alive) in spare capacity.
template <class T>
class TCleaningSimpleArray : public CObject {
public:
    TCleaningSimpleArray() : m_array(10) {}

    void add(const T& value) { m_array.add(value); }
    bool removeFirst(const T& value) {
        if (!m_array.removeFirst(value))
            return false;
        cleanVacated();
        return true;
    }
    void removeAt(int32_t index) {
        m_array.removeAt(index);
        cleanVacated();
    }
    int32_t indexOf(const T& value) const { return m_array.indexOf(value); }
    T& get(int32_t index) { return m_array.get(index); }
    const T& get(int32_t index) const { return m_array.get(index); }
    int32_t getCount() const { return m_array.getCount(); }
    int32_t getCapacity() const { return m_array.getCapacity(); }

private:
    void cleanVacated() {
        if (T* slot = m_array.slotAt(m_array.getCount()))
            *slot = T();
    }

    TSimpleArray<T> m_array;
};

} // namespace tamu
