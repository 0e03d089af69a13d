#pragma once

#include "tamu/IBase.h"
#include "tamu/P.h"
#include "tamu/StringArg.h"

#include <cstdint>

namespace tamu {

class IArray;
class IConstArray;
class IStringEnum;
class IURI;

// A dictionary from names to objects. Numbers and flags are kept as boxes (CInt, CInt64,
// CFloat, CDouble, CBool), text, URIs, nested lists and arrays as themselves. A list made case
// insensitive treats names that differ only in letter case as one name. Missing entries never
// throw: getters give their default, get() gives null, remove() does nothing.
class TAMU_API IValueList : public virtual IBase {
public:
    virtual bool isCaseSensitive() const = 0;
    virtual bool contains(StringArg name) const = 0;
    virtual P<IBase> get(StringArg name) const = 0;

    // Typed getters try the boxes in a fixed order and convert the first one the object offers;
    // the default comes back when the entry is missing or holds nothing convertible. Text is
    // never parsed.
    // IBool only.
    virtual bool getBool(StringArg name, bool defaultValue) const = 0;
    // IInt, IInt64 (cut to 32 bits), IDouble, IFloat (truncated toward zero).
    virtual int32_t getInt(StringArg name, int32_t defaultValue) const = 0;
    // IInt64, IDouble (truncated toward zero), IInt, IFloat.
    virtual int64_t getInt64(StringArg name, int64_t defaultValue) const = 0;
    // IFloat, IDouble, IInt64, IInt.
    virtual float getFloat(StringArg name, float defaultValue) const = 0;
    // IDouble, IFloat, IInt64, IInt.
    virtual double getDouble(StringArg name, double defaultValue) const = 0;
    // The entry's object when it offers the interface.
    virtual P<IString> getString(StringArg name, const P<IString>& defaultValue) const = 0;
    virtual P<IURI> getURI(StringArg name, const P<IURI>& defaultValue) const = 0;
    virtual P<IValueList> getValueList(StringArg name, const P<IValueList>& defaultValue) const = 0;
    virtual P<IArray> getArray(StringArg name, const P<IArray>& defaultValue) const = 0;

    // Stores the object under the name, replacing (and releasing) what was there.
    virtual void set(StringArg name, IBase* value) = 0;
    virtual void setInt(StringArg name, int32_t value) = 0;
    virtual void setInt64(StringArg name, int64_t value) = 0;
    virtual void setBool(StringArg name, bool value) = 0;
    virtual void setDouble(StringArg name, double value) = 0;
    virtual void setFloat(StringArg name, float value) = 0;
    virtual void set(StringArg name, const P<IString>& text) = 0;
    virtual void set(StringArg name, const P<IBase>& value) = 0;
    // Stores a new array holding the elements `array` holds now.
    virtual void setArray(StringArg name, const IConstArray& array) = 0;

    // Whether there was such an entry.
    virtual bool remove(StringArg name) = 0;
    virtual void clear() = 0;
    // The names as they were first given, in no particular order; later changes to the list do
    // not show in the walk.
    virtual P<IStringEnum> getNames() const = 0;
    // A new list with the same entries (the same objects, not copies of them).
    virtual P<IValueList> clone() const = 0;
    virtual int32_t getCount() const = 0;
};

} // namespace tamu
