#pragma once

#include "tamu/CObject.h"
#include "tamu/IArray.h"
#include "tamu/TSimpleArray.h"

#include <cstdint>

namespace tamu {

// The array of objects. Storage grows by a fixed step, like every TSimpleArray.
class CArray : public CObject, public virtual IArray {
public:
    class CEnum;
    class CConstEnum;

    explicit CArray(int32_t growBy = 10);
    CArray(const CArray&) = delete;
    CArray& operator=(const CArray&) = delete;
    ~CArray() override;

    int32_t getCount() const override;
    bool isEmpty() const override;
    P<IBase> get(int32_t index) const override;
    int32_t indexOf(const IBase* item, int32_t start = 0) const override;
    bool contains(const IBase* item) const override;
    P<IConstEnum> getConstEnum() const override;

    void add(IBase* item) override;
    void addAll(const IConstArray* other) override;
    void insert(int32_t index, IBase* item) override;
    void insertAll(int32_t index, const IConstArray* other) override;
    void insertBefore(const IBase* existing, IBase* item) override;
    void insertAfter(const IBase* existing, IBase* item) override;
    bool remove(const IBase* item) override;
    void removeAt(int32_t index) override;
    void removeRange(int32_t index, int32_t count) override;
    void clear() override;
    void moveTo(int32_t index, const IBase* item) override;
    void move(int32_t index, int32_t from) override;
    void setCount(int32_t count) override;
    void set(int32_t index, IBase* item) override;
    P<IEnum> getEnum() override;
    void trim() override;

    int32_t getCapacity() const;

private:
    // Opens a gap of `count` null elements at `index`.
    void openGap(int32_t index, int32_t count);
    void checkIndex(const char* method, int32_t index, int32_t limit) const;
    int32_t requireIndexOf(const char* method, const IBase* item) const;

    TSimpleArray<P<IBase>> m_items;
};

} // namespace tamu
