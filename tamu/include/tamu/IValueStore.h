#pragma once

#include "tamu/IBase.h"
#include "tamu/P.h"
#include "tamu/StringArg.h"

#include <cstdint>

namespace tamu {

class IArray;
class IInStream;
class IMemoryBlock;
class IOutStream;
class IString;

// Access modes of a value store (flags).
constexpr int32_t valueStoreRead = 1;
constexpr int32_t valueStoreWrite = 2;
constexpr int32_t valueStoreReadWrite = valueStoreRead | valueStoreWrite;

// A hierarchical set of named values (text, integers, booleans, doubles, bytes) with named
// sub-stores, wherever it is kept. Getters give their default when the value is absent or has
// another type. A store belongs to one thread at a time.
class TAMU_API IValueStore : public virtual IBase {
public:
    // Replace the content from a stream / write it to one (where the store has a text form).
    virtual void load(IInStream& stream) = 0;
    virtual void store(IOutStream& stream) = 0;
    virtual int32_t getAccessMode() const = 0;

    virtual void setString(StringArg name, StringArg value) = 0;
    virtual void setInt(StringArg name, int32_t value) = 0;
    virtual void setInt64(StringArg name, int64_t value) = 0;
    virtual void setBool(StringArg name, bool value) = 0;
    virtual void setDouble(StringArg name, double value) = 0;
    virtual void storeBinary(StringArg name, const IMemoryBlock& block) = 0;
    virtual void storeBinary(StringArg name, const void* data, int32_t size) = 0;

    virtual P<IString> getString(StringArg name, const P<IString>& defaultValue) = 0;
    virtual int32_t getInt(StringArg name, int32_t defaultValue) = 0;
    virtual int64_t getInt64(StringArg name, int64_t defaultValue) = 0;
    virtual bool getBool(StringArg name, bool defaultValue) = 0;
    virtual double getDouble(StringArg name, double defaultValue) = 0;
    virtual P<IMemoryBlock> loadBinary(StringArg name, const P<IMemoryBlock>& defaultValue) = 0;

    // The nested store, with its own access mode; empty when it cannot be opened (absent and
    // not to be written, say).
    virtual P<IValueStore> openSubStore(StringArg name, int32_t mode) = 0;
    virtual bool hasValue(StringArg name) = 0;
    virtual bool hasSubStore(StringArg name) = 0;
    // New arrays of the names (IString).
    virtual P<IArray> getValueNames() = 0;
    virtual P<IArray> getSubStoreNames() = 0;
    virtual void removeValue(StringArg name) = 0;
    virtual void removeSubStore(StringArg name) = 0;

    // Write the store to its own URI / read it again from there; nothing for a sub-store, which
    // is saved with the store it belongs to.
    virtual void save() = 0;
    virtual void reload() = 0;
    // Copies this store's values (not its sub-stores) into `other`.
    virtual void assignTo(IValueStore& other) = 0;
};

} // namespace tamu
