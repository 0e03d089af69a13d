#pragma once

#include "tamu/CObject.h"
#include "tamu/IValueList.h"
#include "tamu/String.h"
#include "tamu/TSimpleHashTable.h"

#include <cstdint>

namespace tamu {

class CValueList : public CObject, public virtual IValueList {
public:
    struct Entry {
        String name; // as first given
        P<IBase> value;
    };
    class CNameEnum;

    explicit CValueList(bool caseSensitive);
    CValueList(const CValueList&) = delete;
    CValueList& operator=(const CValueList&) = delete;
    ~CValueList() override;

    bool isCaseSensitive() const override;
    bool contains(StringArg name) const override;
    P<IBase> get(StringArg name) const override;
    bool getBool(StringArg name, bool defaultValue) const override;
    int32_t getInt(StringArg name, int32_t defaultValue) const override;
    int64_t getInt64(StringArg name, int64_t defaultValue) const override;
    float getFloat(StringArg name, float defaultValue) const override;
    double getDouble(StringArg name, double defaultValue) const override;
    P<IString> getString(StringArg name, const P<IString>& defaultValue) const override;
    P<IURI> getURI(StringArg name, const P<IURI>& defaultValue) const override;
    P<IValueList> getValueList(StringArg name, const P<IValueList>& defaultValue) const override;
    P<IArray> getArray(StringArg name, const P<IArray>& defaultValue) const override;

    void set(StringArg name, IBase* value) override;
    void setInt(StringArg name, int32_t value) override;
    void setInt64(StringArg name, int64_t value) override;
    void setBool(StringArg name, bool value) override;
    void setDouble(StringArg name, double value) override;
    void setFloat(StringArg name, float value) override;
    void set(StringArg name, const P<IString>& text) override;
    void set(StringArg name, const P<IBase>& value) override;
    void setArray(StringArg name, const IConstArray& array) override;

    bool remove(StringArg name) override;
    void clear() override;
    P<IStringEnum> getNames() const override;
    P<IValueList> clone() const override;
    int32_t getCount() const override;

private:
    // The hash key of a name: the name itself, or its case-folded form. A key only looked up
    // may borrow the caller's text; a key stored always owns its own.
    String keyOf(const StringArg& name, bool stored) const;
    IBase* find(const StringArg& name) const;

    TSimpleHashTable<String, Entry> m_entries;
    bool m_caseSensitive;
};

} // namespace tamu
