#include "tamu/posix/CRegistryValueStore.h"

#include "tamu/CArray.h"
#include "tamu/CError.h"
#include "tamu/CException.h"
#include "tamu/CMemoryBlock.h"
#include "tamu/CObjectError.h"
#include "tamu/IMemoryBlock.h"
#include "tamu/IURI.h"
#include "tamu/platform.h"
#include "tamu/stringConv.h"
#include "tamu/EncodedTextBuffer.h"
#include "tamu/valueStoreSupport.h"

#include <sqlite3.h>

#include <cstdlib>
#include <cstring>
#include <filesystem>
#include <optional>
#include <string>
#include <vector>

namespace tamu::posix {

namespace {

constexpr int busyTimeoutMs = 10000;
constexpr int64_t rootKey = 1;

constexpr const char* baseKeys[] = {"HKEY_CLASSES_ROOT", "HKEY_CURRENT_USER", "HKEY_LOCAL_MACHINE",
                                    "HKEY_USERS"};

constexpr char schema[] = R"(
PRAGMA foreign_keys = ON;
CREATE TABLE IF NOT EXISTS registry_keys (
    id INTEGER PRIMARY KEY,
    parent INTEGER REFERENCES registry_keys(id) ON DELETE CASCADE,
    name TEXT NOT NULL COLLATE NOCASE,
    UNIQUE (parent, name));
INSERT OR IGNORE INTO registry_keys (id, parent, name) VALUES (1, NULL, '');
CREATE TABLE IF NOT EXISTS registry_values (
    key INTEGER NOT NULL REFERENCES registry_keys(id) ON DELETE CASCADE,
    name TEXT NOT NULL COLLATE NOCASE,
    type INTEGER NOT NULL,
    data BLOB NOT NULL,
    PRIMARY KEY (key, name));
)";

std::string registryFolder() {
    if (const char* folder = std::getenv("TAMU_REGISTRY_DIR"); folder && *folder)
        return folder;
    std::string config;
    if (const char* xdg = std::getenv("XDG_CONFIG_HOME"); xdg && *xdg)
        config = xdg;
    else if (const char* home = std::getenv("HOME"); home && *home)
        config = std::string(home) + "/.config";
    else
        config = ".config";
    return config + "/tamu/registry";
}

void putLittleEndian(uint8_t* out, uint64_t value, int bytes) {
    for (int i = 0; i < bytes; ++i)
        out[i] = static_cast<uint8_t>(value >> (8 * i));
}

uint64_t getLittleEndian(const uint8_t* in, int bytes) {
    uint64_t value = 0;
    for (int i = 0; i < bytes; ++i)
        value |= static_cast<uint64_t>(in[i]) << (8 * i);
    return value;
}

// REG_SZ data: UTF-16 up to its first zero unit (a value shorter than one unit is empty).
P<IString> decodeString(const std::vector<uint8_t>& data) {
    std::u16string units;
    for (size_t i = 0; i + 1 < data.size(); i += 2) {
        auto unit = static_cast<char16_t>(getLittleEndian(&data[i], 2));
        if (unit == 0)
            break;
        units += unit;
    }
    return stringConv::fromStd(units);
}

} // namespace

// One open database; shared by a store and the sub-stores opened from it.
class CRegistryDatabase {
public:
    CRegistryDatabase(sqlite3* handle, std::string path)
        : m_handle(handle), m_path(std::move(path)) {}
    CRegistryDatabase(const CRegistryDatabase&) = delete;
    CRegistryDatabase& operator=(const CRegistryDatabase&) = delete;
    ~CRegistryDatabase() { sqlite3_close_v2(m_handle); }

    sqlite3* handle() const { return m_handle; }

    // CError naming the database and SQLite's account of the last failure.
    [[noreturn]] void fail() const {
        std::string message = "Registry database '" + m_path + "': " + sqlite3_errmsg(m_handle);
        throw CError(stringConv::fromStd(message), str("RegistryError"));
    }

private:
    sqlite3* m_handle;
    std::string m_path;
};

namespace {

// A prepared statement with its parameters bound in order.
class Statement {
public:
    Statement(const CRegistryDatabase& database, const char* sql) : m_database(database) {
        if (sqlite3_prepare_v2(database.handle(), sql, -1, &m_statement, nullptr) != SQLITE_OK)
            database.fail();
    }
    Statement(const Statement&) = delete;
    Statement& operator=(const Statement&) = delete;
    ~Statement() { sqlite3_finalize(m_statement); }

    Statement& bind(int64_t value) {
        check(sqlite3_bind_int64(m_statement, ++m_bound, value));
        return *this;
    }
    Statement& bind(const std::string& text) {
        check(sqlite3_bind_text(m_statement, ++m_bound, text.data(), static_cast<int>(text.size()),
                                SQLITE_TRANSIENT));
        return *this;
    }
    Statement& bindBlob(const void* data, int32_t size) {
        // A zero-length blob must still be a blob, not NULL.
        check(size > 0 ? sqlite3_bind_blob(m_statement, ++m_bound, data, size, SQLITE_TRANSIENT)
                       : sqlite3_bind_zeroblob(m_statement, ++m_bound, 0));
        return *this;
    }

    // True while there is a row.
    bool step() {
        int result = sqlite3_step(m_statement);
        if (result == SQLITE_ROW)
            return true;
        if (result != SQLITE_DONE)
            m_database.fail();
        return false;
    }

    int64_t integer(int column) const { return sqlite3_column_int64(m_statement, column); }
    std::string text(int column) const {
        const auto* chars = reinterpret_cast<const char*>(sqlite3_column_text(m_statement, column));
        return chars ? std::string(chars,
                                   static_cast<size_t>(sqlite3_column_bytes(m_statement, column)))
                     : std::string();
    }
    std::vector<uint8_t> blob(int column) const {
        const auto* bytes = static_cast<const uint8_t*>(sqlite3_column_blob(m_statement, column));
        int size = sqlite3_column_bytes(m_statement, column);
        return bytes ? std::vector<uint8_t>(bytes, bytes + size) : std::vector<uint8_t>();
    }

private:
    void check(int result) const {
        if (result != SQLITE_OK)
            m_database.fail();
    }

    const CRegistryDatabase& m_database;
    sqlite3_stmt* m_statement = nullptr;
    int m_bound = 0;
};

struct StoredValue {
    int64_t type;
    std::vector<uint8_t> data;
};

std::optional<StoredValue> readValue(const CRegistryDatabase& database, int64_t key,
                                     StringArg name) {
    Statement query(database, "SELECT type, data FROM registry_values WHERE key = ? AND name = ?");
    query.bind(key).bind(valueStore::utf8(name));
    if (!query.step())
        return std::nullopt;
    return StoredValue{query.integer(0), query.blob(1)};
}

std::optional<int64_t> findKey(const CRegistryDatabase& database, int64_t parent,
                               const std::string& name) {
    Statement query(database, "SELECT id FROM registry_keys WHERE parent = ? AND name = ?");
    query.bind(parent).bind(name);
    if (!query.step())
        return std::nullopt;
    return query.integer(0);
}

// The key at `path` (backslash-separated, empty parts skipped) below `key`; created part by
// part when `create` is true, else nothing when a part is missing.
std::optional<int64_t> walkKeys(const CRegistryDatabase& database, int64_t key,
                                const std::string& path, bool create) {
    size_t start = 0;
    while (start <= path.size()) {
        size_t end = path.find('\\', start);
        if (end == std::string::npos)
            end = path.size();
        std::string part = path.substr(start, end - start);
        start = end + 1;
        if (part.empty())
            continue;
        std::optional<int64_t> next = findKey(database, key, part);
        if (!next && create) {
            // Another process may create the same key at once; the unique names make its row
            // and ours one.
            Statement insert(database,
                             "INSERT OR IGNORE INTO registry_keys (parent, name) VALUES (?, ?)");
            insert.bind(key).bind(part).step();
            next = findKey(database, key, part);
        }
        if (!next)
            return std::nullopt;
        key = *next;
    }
    return key;
}

// The names `sql` selects for the key.
P<IArray> namesOf(const CRegistryDatabase& database, int64_t key, const char* sql) {
    Statement query(database, sql);
    query.bind(key);
    P<CArray> names = make<CArray>();
    while (query.step())
        names->add(stringConv::fromStd(query.text(0)).get());
    return names;
}

std::shared_ptr<CRegistryDatabase> openDatabase(const std::string& baseKey, bool create) {
    std::string folder = registryFolder();
    std::string path = folder + "/" + baseKey + ".sqlite";
    std::error_code ignored;
    if (!create && !std::filesystem::exists(path, ignored))
        return nullptr;
    if (create)
        std::filesystem::create_directories(folder, ignored);
    sqlite3* handle = nullptr;
    int result = sqlite3_open_v2(path.c_str(), &handle,
                                 SQLITE_OPEN_READWRITE | SQLITE_OPEN_CREATE | SQLITE_OPEN_FULLMUTEX,
                                 nullptr);
    auto database = std::make_shared<CRegistryDatabase>(handle, path);
    if (result != SQLITE_OK)
        database->fail();
    sqlite3_busy_timeout(handle, busyTimeoutMs);
    if (sqlite3_exec(handle, schema, nullptr, nullptr, nullptr) != SQLITE_OK)
        database->fail();
    return database;
}

} // namespace

CRegistryValueStore::CRegistryValueStore(std::shared_ptr<CRegistryDatabase> database, int64_t key,
                                         int32_t mode)
    : m_database(std::move(database)), m_key(key), m_mode(mode) {}

CRegistryValueStore::~CRegistryValueStore() = default;

P<CRegistryValueStore> CRegistryValueStore::open(StringArg baseKey, StringArg subKeyPath,
                                                 int32_t mode) {
    bool create = (mode & valueStoreWrite) != 0;
    std::shared_ptr<CRegistryDatabase> database = openDatabase(valueStore::utf8(baseKey), create);
    if (!database)
        return nullptr;
    std::optional<int64_t> key = walkKeys(*database, rootKey, valueStore::utf8(subKeyPath), create);
    if (!key)
        return nullptr;
    return adopt(new CRegistryValueStore(std::move(database), *key, mode));
}

void CRegistryValueStore::load(IInStream& /*stream*/) {
    throw CMethodNotImplementedError(this, str("CRegistryValueStore::load"));
}

void CRegistryValueStore::store(IOutStream& /*stream*/) {
    throw CMethodNotImplementedError(this, str("CRegistryValueStore::store"));
}

int32_t CRegistryValueStore::getAccessMode() const {
    return m_mode;
}

void CRegistryValueStore::setValue(StringArg name, ValueType type, const void* data, int32_t size) {
    valueStore::requireWrite(m_mode, nullptr);
    Statement upsert(*m_database,
                     "INSERT INTO registry_values (key, name, type, data) VALUES (?, ?, ?, ?) "
                     "ON CONFLICT (key, name) DO UPDATE SET type = excluded.type, "
                     "data = excluded.data");
    upsert.bind(m_key).bind(valueStore::utf8(name)).bind(type).bindBlob(data, size).step();
}

void CRegistryValueStore::setString(StringArg name, StringArg value) {
    std::u16string units = stringConv::toStdU16String(*makeString(value, StringStorage::reference));
    std::vector<uint8_t> bytes((units.size() + 1) * 2, 0);
    for (size_t i = 0; i < units.size(); ++i)
        putLittleEndian(&bytes[i * 2], units[i], 2);
    setValue(name, stringType, bytes.data(), static_cast<int32_t>(bytes.size()));
}

void CRegistryValueStore::setInt(StringArg name, int32_t value) {
    uint8_t bytes[4];
    putLittleEndian(bytes, static_cast<uint32_t>(value), 4);
    setValue(name, dwordType, bytes, 4);
}

void CRegistryValueStore::setInt64(StringArg name, int64_t value) {
    uint8_t bytes[8];
    putLittleEndian(bytes, static_cast<uint64_t>(value), 8);
    setValue(name, qwordType, bytes, 8);
}

void CRegistryValueStore::setBool(StringArg name, bool value) {
    setInt(name, value ? 1 : 0);
}

void CRegistryValueStore::setDouble(StringArg name, double value) {
    uint64_t bits;
    std::memcpy(&bits, &value, 8);
    uint8_t bytes[8];
    putLittleEndian(bytes, bits, 8);
    setValue(name, binaryType, bytes, 8);
}

void CRegistryValueStore::storeBinary(StringArg name, const IMemoryBlock& block) {
    setValue(name, binaryType, block.getData(), block.getSize());
}

void CRegistryValueStore::storeBinary(StringArg name, const void* data, int32_t size) {
    setValue(name, binaryType, data, size);
}

P<IString> CRegistryValueStore::getString(StringArg name, const P<IString>& defaultValue) {
    valueStore::requireRead(m_mode, nullptr);
    std::optional<StoredValue> value = readValue(*m_database, m_key, name);
    if (!value || value->type != stringType)
        return defaultValue;
    return decodeString(value->data);
}

std::optional<uint64_t> CRegistryValueStore::readFixed(StringArg name, ValueType type, int bytes) {
    valueStore::requireRead(m_mode, nullptr);
    std::optional<StoredValue> value = readValue(*m_database, m_key, name);
    if (!value || value->type != type || value->data.size() != static_cast<size_t>(bytes))
        return std::nullopt;
    return getLittleEndian(value->data.data(), bytes);
}

int32_t CRegistryValueStore::getInt(StringArg name, int32_t defaultValue) {
    std::optional<uint64_t> value = readFixed(name, dwordType, 4);
    return value ? static_cast<int32_t>(*value) : defaultValue;
}

int64_t CRegistryValueStore::getInt64(StringArg name, int64_t defaultValue) {
    std::optional<uint64_t> value = readFixed(name, qwordType, 8);
    return value ? static_cast<int64_t>(*value) : defaultValue;
}

bool CRegistryValueStore::getBool(StringArg name, bool defaultValue) {
    std::optional<uint64_t> value = readFixed(name, dwordType, 4);
    return value ? *value != 0 : defaultValue;
}

double CRegistryValueStore::getDouble(StringArg name, double defaultValue) {
    std::optional<uint64_t> bits = readFixed(name, binaryType, 8);
    if (!bits)
        return defaultValue;
    double result;
    std::memcpy(&result, &*bits, 8);
    return result;
}

P<IMemoryBlock> CRegistryValueStore::loadBinary(StringArg name,
                                                const P<IMemoryBlock>& defaultValue) {
    valueStore::requireRead(m_mode, nullptr);
    std::optional<StoredValue> value = readValue(*m_database, m_key, name);
    if (!value || value->type != binaryType)
        return defaultValue;
    return make<CMemoryBlock>(static_cast<int32_t>(value->data.size()), value->data.data());
}

P<IValueStore> CRegistryValueStore::openSubStore(StringArg name, int32_t mode) {
    bool create = (mode & valueStoreWrite) && (m_mode & valueStoreWrite);
    std::optional<int64_t> key = walkKeys(*m_database, m_key, valueStore::utf8(name), create);
    if (!key)
        return nullptr;
    return adopt(new CRegistryValueStore(m_database, *key, mode));
}

bool CRegistryValueStore::hasValue(StringArg name) {
    valueStore::requireRead(m_mode, nullptr);
    return readValue(*m_database, m_key, name).has_value();
}

bool CRegistryValueStore::hasSubStore(StringArg name) {
    valueStore::requireRead(m_mode, nullptr);
    return walkKeys(*m_database, m_key, valueStore::utf8(name), false).has_value();
}

P<IArray> CRegistryValueStore::getValueNames() {
    valueStore::requireRead(m_mode, nullptr);
    return namesOf(*m_database, m_key,
                   "SELECT name FROM registry_values WHERE key = ? ORDER BY rowid");
}

P<IArray> CRegistryValueStore::getSubStoreNames() {
    valueStore::requireRead(m_mode, nullptr);
    return namesOf(*m_database, m_key,
                   "SELECT name FROM registry_keys WHERE parent = ? ORDER BY id");
}

void CRegistryValueStore::removeValue(StringArg name) {
    valueStore::requireWrite(m_mode, nullptr);
    Statement remove(*m_database, "DELETE FROM registry_values WHERE key = ? AND name = ?");
    remove.bind(m_key).bind(valueStore::utf8(name)).step();
}

void CRegistryValueStore::removeSubStore(StringArg name) {
    valueStore::requireWrite(m_mode, nullptr);
    // The foreign keys take the sub-tree's keys and values with it.
    Statement remove(*m_database, "DELETE FROM registry_keys WHERE parent = ? AND name = ?");
    remove.bind(m_key).bind(valueStore::utf8(name)).step();
}

void CRegistryValueStore::save() {}

void CRegistryValueStore::reload() {}

void CRegistryValueStore::assignTo(IValueStore& other) {
    valueStore::requireRead(m_mode, nullptr);
    // Read everything first: `other` may be a store of this very database.
    sqlite3_stmt* query = nullptr;
    int result = sqlite3_prepare_v2(m_database->handle(),
                                    "SELECT name, type, data FROM registry_values WHERE key = ? "
                                    "ORDER BY rowid",
                                    -1, &query, nullptr);
    if (result == SQLITE_OK)
        result = sqlite3_bind_int64(query, 1, m_key);
    std::vector<std::pair<P<IString>, StoredValue>> values;
    while (result == SQLITE_OK && (result = sqlite3_step(query)) == SQLITE_ROW) {
        const auto* bytes = static_cast<const uint8_t*>(sqlite3_column_blob(query, 2));
        values.emplace_back(
            stringConv::fromUTF8(reinterpret_cast<const char*>(sqlite3_column_text(query, 0))),
            StoredValue{sqlite3_column_int64(query, 1),
                        std::vector<uint8_t>(bytes, bytes + sqlite3_column_bytes(query, 2))});
        result = SQLITE_OK;
    }
    sqlite3_finalize(query);
    if (result != SQLITE_DONE) {
        std::string message =
            "CRegistryValueStore::assignTo failed with '" + std::to_string(result) + "'";
        throw CException(str("Exception"), stringConv::fromStd(message));
    }
    for (const auto& [name, value] : values) {
        const std::vector<uint8_t>& data = value.data;
        if (value.type == stringType)
            other.setString(*name, *decodeString(data));
        else if (value.type == dwordType && data.size() == 4)
            other.setInt(*name, static_cast<int32_t>(getLittleEndian(data.data(), 4)));
        else if (value.type == qwordType && data.size() == 8)
            other.setInt64(*name, static_cast<int64_t>(getLittleEndian(data.data(), 8)));
        else
            other.storeBinary(*name, data.data(), static_cast<int32_t>(data.size()));
    }
}

P<IValueStore> CRegistryValueStoreFactory::createValueStore(IURI* uri, int32_t mode) {
    if (!uri || !uri->isScheme("registry"))
        return nullptr;
    P<IString> path = uri->getPath();
    if (!path || path->isEmpty())
        path = uri->getSchemeSpecificPart();
    std::string text = path ? stringConv::toStdString(*path) : std::string();
    size_t slash = text.find('/');
    std::string base = text.substr(0, slash);
    std::string subKey = slash == std::string::npos ? std::string() : text.substr(slash + 1);
    for (char& c : subKey) {
        if (c == '/')
            c = '\\';
    }
    bool known = false;
    for (const char* key : baseKeys)
        known = known || base == key;
    if (!known)
        throw CError(str("Unknown registry base key: ")->concat(*stringConv::fromStd(base)),
                     str("Error"));
    return CRegistryValueStore::open(*stringConv::fromStd(base), *stringConv::fromStd(subKey),
                                     mode);
}

} // namespace tamu::posix

namespace tamu::platform {

P<IValueStoreFactory> createRegistryValueStoreFactory() {
    return make<posix::CRegistryValueStoreFactory>();
}

} // namespace tamu::platform
