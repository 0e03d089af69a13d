#pragma once

#include "tamu/CObject.h"
#include "tamu/IValueStore.h"
#include "tamu/IValueStoreFactory.h"

namespace tamu {

class CVariantMap;
class IURI;
class IVariant;

// A value store kept in a JSON file: values are members of the top-level object, sub-stores
// nested objects. The content lives in memory between reload and save. Binary values have no
// JSON form and are refused.
class CJsonValueStore : public CObject, public virtual IValueStore {
public:
    // Reads the file when `mode` allows reading and the file exists; a file that is not JSON
    // throws the parser's error.
    CJsonValueStore(IURI* uri, int32_t mode);
    // A sub-store over `root`, which stays part of the store it was taken from.
    CJsonValueStore(const P<CVariantMap>& root, int32_t mode);
    ~CJsonValueStore() override;

    void load(IInStream& stream) override;
    void store(IOutStream& stream) override;
    int32_t getAccessMode() const override;

    void setString(StringArg name, StringArg value) override;
    void setInt(StringArg name, int32_t value) override;
    void setInt64(StringArg name, int64_t value) override;
    void setBool(StringArg name, bool value) override;
    void setDouble(StringArg name, double value) override;
    void storeBinary(StringArg name, const IMemoryBlock& block) override;
    void storeBinary(StringArg name, const void* data, int32_t size) override;

    P<IString> getString(StringArg name, const P<IString>& defaultValue) override;
    int32_t getInt(StringArg name, int32_t defaultValue) override;
    int64_t getInt64(StringArg name, int64_t defaultValue) override;
    // A boolean member, or a string member that reads exactly "true".
    bool getBool(StringArg name, bool defaultValue) override;
    // A double member, or an integer one: the printer writes a whole double without a fraction,
    // so it comes back from the file as an integer.
    double getDouble(StringArg name, double defaultValue) override;
    P<IMemoryBlock> loadBinary(StringArg name, const P<IMemoryBlock>& defaultValue) override;

    // With write access an absent sub-store is created.
    P<IValueStore> openSubStore(StringArg name, int32_t mode) override;
    bool hasValue(StringArg name) override;
    bool hasSubStore(StringArg name) override;
    P<IArray> getValueNames() override;
    P<IArray> getSubStoreNames() override;
    // Both remove the member of that name, whatever it holds.
    void removeValue(StringArg name) override;
    void removeSubStore(StringArg name) override;

    void save() override;
    void reload() override;
    void assignTo(IValueStore& other) override;

private:
    P<IVariant> member(StringArg name);
    void setMember(StringArg name, const P<IVariant>& value);
    P<IArray> namesOf(bool subStores);

    int32_t m_mode;
    P<IURI> m_uri;
    P<CVariantMap> m_root;
};

// Stores for "file" URIs ending in ".json".
class CJsonValueStoreFactory : public CObject, public virtual IValueStoreFactory {
public:
    P<IValueStore> createValueStore(IURI* uri, int32_t mode) override;
};

} // namespace tamu
