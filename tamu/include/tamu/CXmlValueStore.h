#pragma once

#include "tamu/CObject.h"
#include "tamu/IValueStore.h"
#include "tamu/IValueStoreFactory.h"

#include <memory>
#include <string>
#include <vector>

namespace tinyxml2 {
class XMLDocument;
class XMLElement;
} // namespace tinyxml2

namespace tamu {

class IURI;

// A value store kept in an XML file under the root element "valuestore". Each value is an
// element holding its text (booleans as "true"/"false", bytes as Base64 with type="binary"),
// each sub-store an element holding elements (marked type="store", so an empty one stays a
// store). Names become element names: a space, or any other character an element name cannot
// hold, becomes "__<code point>__", and a name that would begin with "-", "." or a digit gets
// the prefix "__L__". The content lives in memory between reload and save.
class CXmlValueStore : public CObject, public virtual IValueStore {
public:
    // Reads the file when `mode` allows reading and the file exists; text that is no XML
    // throws CParseError "XML Parse Error in file '<uri>', line <n>.".
    CXmlValueStore(const P<IURI>& uri, int32_t mode);
    ~CXmlValueStore() override;

    // The file's text is read and written by reload and save only.
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
    bool getBool(StringArg name, bool defaultValue) override;
    double getDouble(StringArg name, double defaultValue) override;
    P<IMemoryBlock> loadBinary(StringArg name, const P<IMemoryBlock>& defaultValue) override;

    // With write access an absent sub-store is created.
    P<IValueStore> openSubStore(StringArg name, int32_t mode) override;
    bool hasValue(StringArg name) override;
    bool hasSubStore(StringArg name) override;
    P<IArray> getValueNames() override;
    P<IArray> getSubStoreNames() override;
    void removeValue(StringArg name) override;
    void removeSubStore(StringArg name) override;

    void save() override;
    void reload() override;
    void assignTo(IValueStore& other) override;

    // The element name of a value or store name, and back. Elements are found by their decoded
    // names, so a file written by hand with other element names for the same names still reads.
    static std::string encodeName(StringArg name);
    static P<IString> decodeName(const char* elementName);

private:
    // A sub-store at `path` (decoded names): it finds its element again from the root for every
    // operation, so a reload or a removal through another store never leaves it pointing into
    // freed nodes.
    CXmlValueStore(std::shared_ptr<tinyxml2::XMLDocument> document, std::vector<std::string> path,
                   int32_t mode);

    // This store's element; null when it is absent and `create` is false.
    tinyxml2::XMLElement* element(bool create);
    // The value element of that name, null when there is none.
    tinyxml2::XMLElement* findValue(StringArg name);
    // A fresh value element of that name in place of what was there, text to be set.
    tinyxml2::XMLElement* replaceValue(StringArg name);
    P<IArray> namesOf(bool subStores);
    void removeNamed(StringArg name, bool subStores);

    std::shared_ptr<tinyxml2::XMLDocument> m_document;
    std::vector<std::string> m_path;
    int32_t m_mode;
    P<IURI> m_uri;
};

// Stores for "file" URIs ending in ".xml".
class CXmlValueStoreFactory : public CObject, public virtual IValueStoreFactory {
public:
    P<IValueStore> createValueStore(IURI* uri, int32_t mode) override;
};

} // namespace tamu
