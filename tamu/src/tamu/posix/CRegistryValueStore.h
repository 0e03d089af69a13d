#pragma once

#include "tamu/CObject.h"
#include "tamu/IValueStore.h"
#include "tamu/IValueStoreFactory.h"

#include <memory>
#include <optional>

namespace tamu::posix {

class CRegistryDatabase;

// A registry key as a value store. Each base key is one SQLite database,
// "<base key>.sqlite" in $TAMU_REGISTRY_DIR (else ${XDG_CONFIG_HOME:-$HOME/.config}/tamu/registry);
// keys and values are rows, names compared without regard to ASCII letter case as the registry
// does. Every write is committed at once, and several processes may use one database: a
// writer waits up to ten seconds for another one to finish.
class CRegistryValueStore : public CObject, public virtual IValueStore {
public:
    // Registry value types and the layout of their data.
    enum ValueType : int32_t {
        stringType = 1, // REG_SZ: UTF-16 little endian with its terminating zero
        binaryType = 3, // REG_BINARY: the bytes (a double as its 8 bytes)
        dwordType = 4,  // REG_DWORD: 4 bytes little endian
        qwordType = 11  // REG_QWORD: 8 bytes little endian
    };

    // The key `subKeyPath` (parts separated by backslashes) under the base key; with write
    // access missing keys are created, otherwise a missing key gives null.
    static P<CRegistryValueStore> open(StringArg baseKey, StringArg subKeyPath, int32_t mode);
    ~CRegistryValueStore() override;

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
    // Any non-zero DWORD is true.
    bool getBool(StringArg name, bool defaultValue) override;
    double getDouble(StringArg name, double defaultValue) override;
    P<IMemoryBlock> loadBinary(StringArg name, const P<IMemoryBlock>& defaultValue) override;

    P<IValueStore> openSubStore(StringArg name, int32_t mode) override;
    bool hasValue(StringArg name) override;
    bool hasSubStore(StringArg name) override;
    P<IArray> getValueNames() override;
    P<IArray> getSubStoreNames() override;
    void removeValue(StringArg name) override;
    // With the whole sub-tree.
    void removeSubStore(StringArg name) override;

    // Writes are in the database already; nothing to do.
    void save() override;
    void reload() override;
    // Copies every value by its type: strings, DWORDs, QWORDs and binary values.
    void assignTo(IValueStore& other) override;

private:
    CRegistryValueStore(std::shared_ptr<CRegistryDatabase> database, int64_t key, int32_t mode);

    void setValue(StringArg name, ValueType type, const void* data, int32_t size);
    // A value of `type` that is `bytes` long, as a little-endian number; nothing for any other.
    std::optional<uint64_t> readFixed(StringArg name, ValueType type, int bytes);

    std::shared_ptr<CRegistryDatabase> m_database;
    int64_t m_key;
    int32_t m_mode;
};

// Stores for "registry:<base key>/<sub key path>" URIs: HKEY_CURRENT_USER, HKEY_LOCAL_MACHINE,
// HKEY_CLASSES_ROOT or HKEY_USERS; any other base key throws CError.
class CRegistryValueStoreFactory : public CObject, public virtual IValueStoreFactory {
public:
    P<IValueStore> createValueStore(IURI* uri, int32_t mode) override;
};

} // namespace tamu::posix
