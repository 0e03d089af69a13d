#include "diskTestSupport.h"

#include "tamu/CError.h"
#include "tamu/CJsonValueStore.h"
#include "tamu/CMemoryBlock.h"
#include "tamu/CMemoryIOStream.h"
#include "tamu/CObjectError.h"
#include "tamu/CXmlValueStore.h"
#include "tamu/IArray.h"
#include "tamu/IMemoryBlock.h"
#include "tamu/IValueStore.h"
#include "tamu/IValueStoreManager.h"

#include <sqlite3.h>
#include <sys/wait.h>
#include <unistd.h>

#include <cstdlib>
#include <map>
#include <set>
#include <vector>

using namespace tamu;

namespace {

std::string s(const P<IString>& text) {
    return text ? stringConv::toStdString(*text) : "<null>";
}

std::set<std::string> namesOf(const P<IArray>& names) {
    std::set<std::string> result;
    for (int32_t i = 0; i < names->getCount(); ++i)
        result.insert(s(P<IString>(dynamic_cast<IString*>(names->get(i).get()))));
    return result;
}

enum class Kind { json, xml, registry };

std::string kindName(const ::testing::TestParamInfo<Kind>& info) {
    switch (info.param) {
    case Kind::json:
        return "Json";
    case Kind::xml:
        return "Xml";
    case Kind::registry:
        return "Registry";
    }
    return "?";
}

class ValueStoreTest : public DiskTest {
protected:
    void SetUp() override {
        DiskTest::SetUp();
        // Every test gets registry databases of its own.
        setenv("TAMU_REGISTRY_DIR", pathOf("registry").c_str(), 1);
    }
    void TearDown() override {
        unsetenv("TAMU_REGISTRY_DIR");
        DiskTest::TearDown();
    }

    P<IValueStore> open(const P<IURI>& uri, int32_t mode) {
        return getValueStoreManager()->createValueStore(uri.get(), mode);
    }
    P<IValueStore> open(const char* uri, int32_t mode) { return open(make<CURI>(uri), mode); }

    // Rows of a registry database: name -> (type, data).
    std::map<std::string, std::pair<int, std::vector<uint8_t>>> registryRows(const char* baseKey) {
        std::map<std::string, std::pair<int, std::vector<uint8_t>>> rows;
        sqlite3* db = nullptr;
        std::string path = pathOf(std::string("registry/") + baseKey + ".sqlite");
        EXPECT_EQ(sqlite3_open_v2(path.c_str(), &db, SQLITE_OPEN_READONLY, nullptr), SQLITE_OK);
        sqlite3_stmt* query = nullptr;
        sqlite3_prepare_v2(db, "SELECT name, type, data FROM registry_values", -1, &query, nullptr);
        while (sqlite3_step(query) == SQLITE_ROW) {
            const auto* bytes = static_cast<const uint8_t*>(sqlite3_column_blob(query, 2));
            rows[reinterpret_cast<const char*>(sqlite3_column_text(query, 0))] = {
                sqlite3_column_int(query, 1),
                std::vector<uint8_t>(bytes, bytes + sqlite3_column_bytes(query, 2))};
        }
        sqlite3_finalize(query);
        sqlite3_close(db);
        return rows;
    }
};

// The behaviour the three stores share.
class EveryValueStore : public ValueStoreTest, public ::testing::WithParamInterface<Kind> {
protected:
    P<IURI> uri() {
        switch (GetParam()) {
        case Kind::json:
            return fileURI("settings.json");
        case Kind::xml:
            return fileURI("settings.xml");
        case Kind::registry:
            break;
        }
        return make<CURI>("registry:HKEY_CURRENT_USER/Software/Orxa%20Test");
    }
    P<IValueStore> open(int32_t mode) { return ValueStoreTest::open(uri(), mode); }
    // What a new store reads after this one's save.
    P<IValueStore> saveAndReopen(IValueStore& store) {
        store.save();
        return open(valueStoreReadWrite);
    }
};

INSTANTIATE_TEST_SUITE_P(Stores, EveryValueStore,
                         ::testing::Values(Kind::json, Kind::xml, Kind::registry), kindName);

TEST_P(EveryValueStore, TypedValuesSurviveASaveAndAReload) {
    P<IValueStore> store = open(valueStoreReadWrite);
    ASSERT_TRUE(store);
    EXPECT_EQ(store->getAccessMode(), valueStoreReadWrite);
    store->setString("text", "replaced below");
    store->setString("unicode", u"h\u00e9llo w\u00f6rld \U0001F3B5");
    store->setString("empty", "");
    store->setInt("int", -123456);
    store->setInt64("int64", int64_t(1) << 40);
    store->setBool("yes", true);
    store->setBool("no", false);
    store->setDouble("half", 2.5);
    store->setDouble("whole", 3.0);
    // Names a file format has to encode.
    store->setInt("2nd value", 2);
    store->setString("with space", "x");
    store->setInt("text", 9); // replaces the string

    P<IValueStore> reread = saveAndReopen(*store);
    for (const P<IValueStore>& s : {store, reread}) {
        EXPECT_EQ(s->getInt("text", 0), 9);
        EXPECT_EQ(::s(s->getString("empty", str("default"))), "");
        EXPECT_EQ(::s(s->getString("unicode", nullptr)), "h\u00e9llo w\u00f6rld \U0001F3B5");
        EXPECT_EQ(s->getInt("int", 0), -123456);
        EXPECT_EQ(s->getInt64("int64", 0), int64_t(1) << 40);
        EXPECT_TRUE(s->getBool("yes", false));
        EXPECT_FALSE(s->getBool("no", true));
        EXPECT_EQ(s->getDouble("half", 0), 2.5);
        EXPECT_EQ(s->getDouble("whole", 0), 3.0);
        EXPECT_EQ(s->getInt("2nd value", 0), 2);
        EXPECT_EQ(::s(s->getString("with space", nullptr)), "x");
        EXPECT_TRUE(s->hasValue("2nd value"));
        EXPECT_EQ(namesOf(s->getValueNames()),
                  (std::set<std::string>{"2nd value", "empty", "half", "int", "int64", "no", "text",
                                         "unicode", "whole", "with space", "yes"}));
    }
}

TEST_P(EveryValueStore, MissingValuesGiveTheirDefaults) {
    P<IValueStore> store = open(valueStoreReadWrite);
    store->setString("word", "abc");
    EXPECT_EQ(store->getInt("missing", 17), 17);
    EXPECT_EQ(store->getInt64("missing", -5), -5);
    EXPECT_TRUE(store->getBool("missing", true));
    EXPECT_EQ(store->getDouble("missing", 1.5), 1.5);
    EXPECT_EQ(s(store->getString("missing", str("fallback"))), "fallback");
    EXPECT_FALSE(store->hasValue("missing"));
    // Text that is no number is another type everywhere.
    EXPECT_EQ(store->getInt("word", 4), 4);
    EXPECT_EQ(store->getDouble("word", 4.5), 4.5);
    // A sub-store is no value.
    store->openSubStore("child", valueStoreReadWrite)->setInt("x", 1);
    EXPECT_FALSE(store->hasValue("child"));
    EXPECT_EQ(store->getInt("child", 3), 3);
}

TEST_P(EveryValueStore, SubStoresNestAndAreRemovedWithTheirContent) {
    P<IValueStore> store = open(valueStoreReadWrite);
    P<IValueStore> child = store->openSubStore("child one", valueStoreReadWrite);
    ASSERT_TRUE(child);
    child->setInt("a", 1);
    child->openSubStore("grandchild", valueStoreReadWrite)->setString("b", "deep");
    store->openSubStore("other", valueStoreReadWrite)->setBool("c", true);
    store->setInt("plain", 5);
    EXPECT_FALSE(store->openSubStore("absent", valueStoreRead));
    EXPECT_FALSE(store->hasSubStore("absent"));

    P<IValueStore> reread = saveAndReopen(*store);
    EXPECT_EQ(namesOf(reread->getSubStoreNames()), (std::set<std::string>{"child one", "other"}));
    EXPECT_EQ(namesOf(reread->getValueNames()), (std::set<std::string>{"plain"}));
    P<IValueStore> rereadChild = reread->openSubStore("child one", valueStoreRead);
    ASSERT_TRUE(rereadChild);
    EXPECT_EQ(rereadChild->getInt("a", 0), 1);
    EXPECT_EQ(s(rereadChild->openSubStore("grandchild", valueStoreRead)->getString("b", nullptr)),
              "deep");

    reread->removeSubStore("child one");
    reread->removeValue("plain");
    EXPECT_FALSE(reread->hasSubStore("child one"));
    EXPECT_FALSE(reread->hasValue("plain"));
    P<IValueStore> third = saveAndReopen(*reread);
    EXPECT_EQ(namesOf(third->getSubStoreNames()), (std::set<std::string>{"other"}));
    EXPECT_TRUE(third->getValueNames()->getCount() == 0);
    EXPECT_TRUE(third->openSubStore("other", valueStoreRead)->getBool("c", false));
}

TEST_P(EveryValueStore, AccessModesAreEnforced) {
    {
        P<IValueStore> store = open(valueStoreReadWrite);
        store->setInt("n", 1);
        store->save();
    }
    P<IValueStore> readOnly = open(valueStoreRead);
    ASSERT_TRUE(readOnly);
    EXPECT_EQ(readOnly->getInt("n", 0), 1);
    auto denied = [](auto&& action) { return thrownMessage<CFileAccessDeniedError>(action); };
    EXPECT_EQ(denied([&] { readOnly->setInt("n", 2); }), "No write access");
    EXPECT_EQ(denied([&] { readOnly->setString("t", "x"); }), "No write access");
    EXPECT_EQ(denied([&] { readOnly->removeValue("n"); }), "No write access");
    // The registry has nothing to save: its writes are in the database at once.
    if (GetParam() != Kind::registry) {
        EXPECT_EQ(denied([&] { readOnly->save(); }), "No write access");
    }
    EXPECT_EQ(open(valueStoreRead)->getInt("n", 0), 1);

    P<IValueStore> writeOnly = open(valueStoreWrite);
    ASSERT_TRUE(writeOnly);
    EXPECT_EQ(denied([&] { writeOnly->getInt("n", 0); }), "No read access");
    EXPECT_EQ(denied([&] { writeOnly->getValueNames(); }), "No read access");
    EXPECT_EQ(denied([&] { writeOnly->hasValue("n"); }), "No read access");
}

TEST_F(ValueStoreTest, TheURIChoosesTheStore) {
    EXPECT_FALSE(open(fileURI("x.ini"), valueStoreReadWrite));
    EXPECT_FALSE(open("file:///c/x.ini", valueStoreReadWrite));
    EXPECT_FALSE(open("http://example.com/x.json", valueStoreReadWrite));
    EXPECT_TRUE(dynamic_cast<CJsonValueStore*>(open(fileURI("x.json"), valueStoreRead).get()));
    EXPECT_TRUE(dynamic_cast<CXmlValueStore*>(open(fileURI("x.XML"), valueStoreRead).get()));

    // A sub-key path names nested keys, created with write access.
    P<IValueStore> key = open("registry:HKEY_CURRENT_USER/Software/X", valueStoreReadWrite);
    ASSERT_TRUE(key);
    key->setInt("v", 7);
    P<IValueStore> base = open("registry:HKEY_CURRENT_USER", valueStoreRead);
    ASSERT_TRUE(base);
    EXPECT_EQ(namesOf(base->getSubStoreNames()), (std::set<std::string>{"Software"}));
    EXPECT_EQ(base->openSubStore("Software\\X", valueStoreRead)->getInt("v", 0), 7);
    EXPECT_EQ(base->openSubStore("software", valueStoreRead)
                  ->openSubStore("x", valueStoreRead)
                  ->getInt("V", 0),
              7)
        << "registry names ignore letter case";
    // Each base key is a database of its own.
    EXPECT_FALSE(open("registry:HKEY_LOCAL_MACHINE/Software/X", valueStoreRead));
    EXPECT_TRUE(open("registry:HKEY_LOCAL_MACHINE", valueStoreReadWrite));
    // Read access to a key that does not exist opens nothing and creates nothing.
    EXPECT_FALSE(open("registry:HKEY_USERS/Nobody", valueStoreRead));
    EXPECT_FALSE(exists("registry/HKEY_USERS.sqlite"));
    EXPECT_FALSE(open("registry:HKEY_CURRENT_USER/Software/Y", valueStoreRead));

    EXPECT_EQ(thrownMessage<CError>([&] { open("registry:HKEY_NOPE/Software", valueStoreRead); }),
              "Unknown registry base key: HKEY_NOPE");
}

TEST_F(ValueStoreTest, TheJsonStoreAsDescribed) {
    writeFile("s.json", R"({"flag": "true", "other": "yes", "real": true, "n": 2.5, "list": [1]})");
    P<IValueStore> store = open(fileURI("s.json"), valueStoreReadWrite);
    ASSERT_TRUE(store);
    // A string member counts as true exactly when it reads "true".
    EXPECT_TRUE(store->getBool("flag", false));
    EXPECT_FALSE(store->getBool("other", true));
    EXPECT_TRUE(store->getBool("real", false));
    EXPECT_EQ(store->getInt("n", 8), 8) << "a fraction is no integer";
    EXPECT_EQ(store->getInt("list", 8), 8);
    EXPECT_TRUE(store->hasValue("list"));
    EXPECT_EQ(s(store->getString("real", str("d"))), "d");

    EXPECT_EQ(thrownMessage<CError>([&] { store->storeBinary("b", "xy", 2); }), "Not implemented");
    EXPECT_NE(thrownMessage<CMethodNotImplementedError>([&] {
                  store->loadBinary("b", nullptr);
              }).find("CJsonValueStore::loadBinary"),
              std::string::npos);
    P<IValueStore> writeOnly = open(fileURI("s.json"), valueStoreWrite);
    EXPECT_EQ(thrownMessage<CFileAccessDeniedError>([&] { writeOnly->loadBinary("b", nullptr); }),
              "No read access");

    // Removing a value removes a sub-store of that name as well.
    store->openSubStore("sub", valueStoreReadWrite)->setInt("x", 1);
    store->removeValue("sub");
    EXPECT_FALSE(store->hasSubStore("sub"));

    writeFile("bad.json", "{\"a\": ");
    EXPECT_THROW(open(fileURI("bad.json"), valueStoreRead), CError);
    writeFile("array.json", "[1, 2]");
    EXPECT_THROW(open(fileURI("array.json"), valueStoreRead), CJsonParserError);
    // Without read access the file is not read at all.
    EXPECT_TRUE(open(fileURI("bad.json"), valueStoreWrite));
}

TEST_F(ValueStoreTest, TheJsonStoreLoadsAndStoresStreams) {
    P<IValueStore> store = open(fileURI("a.json"), valueStoreReadWrite);
    store->setString("name", u"caf\u00e9");
    store->openSubStore("sub", valueStoreReadWrite)->setInt("n", 3);
    P<CMemoryIOStream> buffer = make<CMemoryIOStream>();
    store->store(*buffer);
    buffer->seek(0);
    P<IValueStore> copy = open(fileURI("b.json"), valueStoreReadWrite);
    copy->setInt("dropped", 1);
    copy->load(*buffer);
    EXPECT_FALSE(copy->hasValue("dropped"));
    EXPECT_EQ(s(copy->getString("name", nullptr)), "caf\u00e9");
    EXPECT_EQ(copy->openSubStore("sub", valueStoreRead)->getInt("n", 0), 3);
}

TEST_F(ValueStoreTest, SavingReplacesTheFileWhole) {
    P<IValueStore> store = open(fileURI("s.json"), valueStoreReadWrite);
    store->setInt("n", 1);
    store->save();
    std::string saved = readFile("s.json");
    // A target that cannot be replaced fails the save, keeps the old file and leaves no
    // temporary file behind.
    std::filesystem::create_directory(pathOf("dir.xml"));
    P<IValueStore> blocked = open(fileURI("dir.xml"), valueStoreWrite);
    blocked->setInt("n", 2);
    EXPECT_THROW(blocked->save(), CError);
    store->setInt("n", 2);
    store->save();
    EXPECT_NE(readFile("s.json"), saved);
    std::set<std::string> entries;
    for (const auto& entry : std::filesystem::directory_iterator(m_folder))
        entries.insert(entry.path().filename().string());
    EXPECT_EQ(entries, (std::set<std::string>{"dir.xml", "s.json"}));
    EXPECT_EQ(open(fileURI("s.json"), valueStoreRead)->getInt("n", 0), 2);
}

TEST_F(ValueStoreTest, TheXmlStoreEncodesNamesAndKeepsBytesAndDoubles) {
    P<IValueStore> store = open(fileURI("s.xml"), valueStoreReadWrite);
    store->setString("2nd value", "v");
    store->setBool("on", true);
    std::vector<uint8_t> bytes(256);
    for (size_t i = 0; i < bytes.size(); ++i)
        bytes[i] = static_cast<uint8_t>(i * 7);
    store->storeBinary("blob", bytes.data(), static_cast<int32_t>(bytes.size()));
    store->storeBinary("none", nullptr, 0);
    store->setDouble("tenth", 0.1);
    store->openSubStore("empty store", valueStoreReadWrite);
    store->save();
    std::string text = readFile("s.xml");
    EXPECT_NE(text.find("<__L__2nd__32__value>v</__L__2nd__32__value>"), std::string::npos) << text;
    EXPECT_NE(text.find("<on>true</on>"), std::string::npos) << text;
    EXPECT_NE(text.find("<valuestore>"), std::string::npos) << text;

    P<IValueStore> reread = open(fileURI("s.xml"), valueStoreRead);
    P<IMemoryBlock> blob = reread->loadBinary("blob", nullptr);
    ASSERT_TRUE(blob);
    EXPECT_EQ(std::vector<uint8_t>(blob->getData(), blob->getData() + blob->getSize()), bytes);
    ASSERT_TRUE(reread->loadBinary("none", nullptr));
    EXPECT_EQ(reread->loadBinary("none", nullptr)->getSize(), 0);
    EXPECT_FALSE(reread->loadBinary("2nd value", nullptr)) << "text is no binary value";
    EXPECT_EQ(s(reread->getString("blob", str("d"))), "d") << "nor bytes a text";
    EXPECT_EQ(reread->getDouble("tenth", 0), 0.1);
    EXPECT_TRUE(reread->hasSubStore("empty store"));
    EXPECT_FALSE(reread->hasValue("empty store"));

    // Names an element name cannot hold come back unchanged.
    for (const char* name : {"-dash", ".dot", "9", "", "a(b)/c:d", "caf\u00e9", "tab\there"})
        EXPECT_EQ(s(CXmlValueStore::decodeName(CXmlValueStore::encodeName(name).c_str())), name);
    EXPECT_EQ(CXmlValueStore::encodeName("2nd value"), "__L__2nd__32__value");
    EXPECT_EQ(s(CXmlValueStore::decodeName("__L__2nd__32__value")), "2nd value");
}

TEST_F(ValueStoreTest, TheXmlStoreReportsWhereAFileIsBroken) {
    writeFile("bad.xml", "<valuestore>\n  <a>1</a>\n  <b>2</c>\n</valuestore>\n");
    P<IURI> uri = fileURI("bad.xml");
    EXPECT_EQ(thrownMessage<CError>([&] { open(uri, valueStoreRead); }),
              "XML Parse Error in file '" + s(uri->toUTF8String()) + "', line 3.");
    // Read by hand: values without the store's markings.
    writeFile("hand.xml", "<valuestore><n> 42 </n><sub><x>y</x></sub></valuestore>");
    P<IValueStore> hand = open(fileURI("hand.xml"), valueStoreReadWrite);
    EXPECT_EQ(hand->getInt("n", 0), 42);
    EXPECT_EQ(s(hand->openSubStore("sub", valueStoreRead)->getString("x", nullptr)), "y");
    // Element names the store would not write itself are found by the names they decode to.
    writeFile("odd.xml", "<valuestore><__L__n>5</__L__n><a__L__b><x>1</x></a__L__b></valuestore>");
    P<IValueStore> odd = open(fileURI("odd.xml"), valueStoreReadWrite);
    EXPECT_EQ(odd->getInt("n", 0), 5);
    ASSERT_TRUE(odd->openSubStore("ab", valueStoreRead));
    EXPECT_EQ(odd->openSubStore("ab", valueStoreRead)->getInt("x", 0), 1);
    odd->setInt("n", 6);
    EXPECT_EQ(namesOf(odd->getValueNames()), (std::set<std::string>{"n"}));
    EXPECT_EQ(odd->getInt("n", 0), 6);

    // Stray text beside the root is no content; written back first it could read as a
    // byte-order mark and the file would not parse again. (The reader skips the leading BOCU-1
    // mark, so the parser sees the text begin with FF FE.)
    writeFile("stray.xml", "\xFB\xEE\xFF\xFEjunk <valuestore><a>1</a></valuestore>");
    P<IValueStore> stray = open(fileURI("stray.xml"), valueStoreReadWrite);
    stray->save();
    EXPECT_EQ(open(fileURI("stray.xml"), valueStoreRead)->getInt("a", 0), 1);

    // A byte that is no UTF-8 (Latin-1 from an old editor) survives a save as it does a read,
    // with or without the byte-order mark the saved file no longer has.
    writeFile("latin1.xml", "\xEF\xBB\xBF<valuestore><m>caf\xE9</m></valuestore>");
    P<IValueStore> latin1 = open(fileURI("latin1.xml"), valueStoreReadWrite);
    std::string before = s(latin1->getString("m", nullptr));
    latin1->save();
    EXPECT_EQ(s(open(fileURI("latin1.xml"), valueStoreRead)->getString("m", nullptr)), before);

    P<CMemoryIOStream> buffer = make<CMemoryIOStream>();
    auto notImplemented = [](auto&& action) {
        return thrownMessage<CMethodNotImplementedError>(action);
    };
    EXPECT_NE(notImplemented([&] { hand->load(*buffer); }).find("CXmlValueStore::load"),
              std::string::npos);
    EXPECT_NE(notImplemented([&] { hand->store(*buffer); }).find("CXmlValueStore::store"),
              std::string::npos);
    P<IValueStore> json = open(fileURI("t.json"), valueStoreReadWrite);
    EXPECT_NE(notImplemented([&] { hand->assignTo(*json); }).find("CXmlValueStore::assignTo"),
              std::string::npos);
}

TEST_F(ValueStoreTest, RegistryValuesHaveTheRegistryTypesAndLayouts) {
    P<IValueStore> store = open("registry:HKEY_CURRENT_USER", valueStoreReadWrite);
    store->setString("s", u"h\u00e9");
    store->setInt("i", -2);
    store->setInt64("q", 0x0102030405060708);
    store->setBool("b", true);
    store->setDouble("d", 1.0);
    store->storeBinary("bin", "\x01\x02\x03", 3);
    auto rows = registryRows("HKEY_CURRENT_USER");
    using Bytes = std::vector<uint8_t>;
    EXPECT_EQ(rows["s"], std::make_pair(1, Bytes{'h', 0, 0xE9, 0, 0, 0}));
    EXPECT_EQ(rows["i"], std::make_pair(4, Bytes{0xFE, 0xFF, 0xFF, 0xFF}));
    EXPECT_EQ(rows["q"], std::make_pair(11, Bytes{8, 7, 6, 5, 4, 3, 2, 1}));
    EXPECT_EQ(rows["b"], std::make_pair(4, Bytes{1, 0, 0, 0}));
    EXPECT_EQ(rows["d"], std::make_pair(3, Bytes{0, 0, 0, 0, 0, 0, 0xF0, 0x3F}));
    EXPECT_EQ(rows["bin"], std::make_pair(3, Bytes{1, 2, 3}));

    store->setInt("five", 5);
    EXPECT_TRUE(store->getBool("five", false)) << "any non-zero DWORD is true";
    EXPECT_EQ(store->getInt("q", 9), 9) << "a QWORD is no DWORD";
    EXPECT_EQ(store->getInt64("i", 9), 9);
    EXPECT_EQ(store->getDouble("bin", 9), 9) << "three bytes are no double";
    EXPECT_EQ(s(store->getString("i", str("d"))), "d");
    P<IMemoryBlock> bin = store->loadBinary("bin", nullptr);
    ASSERT_TRUE(bin);
    EXPECT_EQ(bin->getSize(), 3);

    // A string shorter than one UTF-16 unit reads as empty.
    sqlite3* db = nullptr;
    sqlite3_open(pathOf("registry/HKEY_CURRENT_USER.sqlite").c_str(), &db);
    sqlite3_exec(db, "UPDATE registry_values SET data = x'41' WHERE name = 's'", nullptr, nullptr,
                 nullptr);
    sqlite3_close(db);
    EXPECT_EQ(s(store->getString("s", str("d"))), "");

    P<CMemoryIOStream> buffer = make<CMemoryIOStream>();
    EXPECT_NE(thrownMessage<CMethodNotImplementedError>([&] {
                  store->load(*buffer);
              }).find("CRegistryValueStore::load"),
              std::string::npos);
}

TEST_F(ValueStoreTest, TwoProcessesWriteOneRegistryDatabase) {
    constexpr int writers = 2;
    constexpr int valuesEach = 150;
    open("registry:HKEY_CURRENT_USER/Shared", valueStoreReadWrite)->setInt("start", 1);
    std::vector<pid_t> children;
    for (int w = 0; w < writers; ++w) {
        pid_t pid = fork();
        ASSERT_GE(pid, 0);
        if (pid == 0) {
            int status = 0;
            try {
                P<IValueStore> store =
                    open("registry:HKEY_CURRENT_USER/Shared", valueStoreReadWrite);
                for (int k = 0; k < valuesEach; ++k) {
                    std::string name = "w" + std::to_string(w) + "-" + std::to_string(k);
                    store->setInt(name.c_str(), k);
                    // Both also create the same sub-key, which must end up as one.
                    store->openSubStore("common", valueStoreReadWrite)->setInt(name.c_str(), k);
                }
            } catch (...) {
                status = 1;
            }
            _exit(status);
        }
        children.push_back(pid);
    }
    for (pid_t pid : children) {
        int status = 0;
        ASSERT_EQ(waitpid(pid, &status, 0), pid);
        EXPECT_TRUE(WIFEXITED(status) && WEXITSTATUS(status) == 0);
    }
    P<IValueStore> store = open("registry:HKEY_CURRENT_USER/Shared", valueStoreRead);
    EXPECT_EQ(store->getValueNames()->getCount(), 1 + writers * valuesEach);
    EXPECT_EQ(store->getSubStoreNames()->getCount(), 1);
    EXPECT_EQ(store->openSubStore("common", valueStoreRead)->getValueNames()->getCount(),
              writers * valuesEach);
    EXPECT_EQ(store->getInt("w1-149", 0), 149);
}

TEST_F(ValueStoreTest, ARegistryStoreCopiesItsValuesIntoAJsonStore) {
    P<IValueStore> registry = open("registry:HKEY_CURRENT_USER/Software/Copy", valueStoreReadWrite);
    registry->setString("name", u"Gr\u00fc\u00dfe");
    registry->setInt("count", 42);
    registry->setInt64("big", int64_t(1) << 50);
    registry->setBool("flag", true);
    registry->openSubStore("sub", valueStoreReadWrite)->setInt("not copied", 1);
    P<IValueStore> json = open(fileURI("copy.json"), valueStoreReadWrite);
    registry->assignTo(*json);
    json->save();
    P<IValueStore> reread = open(fileURI("copy.json"), valueStoreRead);
    EXPECT_EQ(s(reread->getString("name", nullptr)), "Gr\u00fc\u00dfe");
    EXPECT_EQ(reread->getInt("count", 0), 42);
    EXPECT_EQ(reread->getInt64("big", 0), int64_t(1) << 50);
    EXPECT_EQ(reread->getInt("flag", 0), 1) << "a registry boolean is a DWORD";
    EXPECT_FALSE(reread->hasSubStore("sub"));

    // The other way: JSON values into the registry.
    json->setDouble("ratio", 0.5);
    P<IValueStore> target = open("registry:HKEY_CURRENT_USER/Software/Back", valueStoreReadWrite);
    json->assignTo(*target);
    EXPECT_EQ(target->getInt("count", 0), 42);
    EXPECT_EQ(target->getInt64("big", 0), int64_t(1) << 50);
    EXPECT_EQ(target->getDouble("ratio", 0), 0.5);
    EXPECT_EQ(s(target->getString("name", nullptr)), "Gr\u00fc\u00dfe");
}

} // namespace
