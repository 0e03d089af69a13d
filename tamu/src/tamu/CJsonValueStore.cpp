#include "tamu/CJsonValueStore.h"

#include "tamu/CArray.h"
#include "tamu/CError.h"
#include "tamu/CJsonParser.h"
#include "tamu/CJsonPrinter.h"
#include "tamu/CObjectError.h"
#include "tamu/CTextFileReader.h"
#include "tamu/CVariant.h"
#include "tamu/CVariantMap.h"
#include "tamu/IFileSystemManager.h"
#include "tamu/IMemoryBlock.h"
#include "tamu/IOutStream.h"
#include "tamu/IURI.h"
#include "tamu/stringConv.h"
#include "tamu/EncodedTextBuffer.h"
#include "tamu/valueStoreSupport.h"

#include <limits>

namespace tamu {

namespace {

template <class T>
const T* as(const P<IVariant>& value) {
    return dynamic_cast<const T*>(value.get());
}

// The root of parsed text: an object, or an empty one for empty text.
P<CVariantMap> rootOf(const P<IString>& text) {
    P<IVariant> parsed = CJsonParser().parse(text);
    if (!parsed)
        return make<CVariantMap>();
    if (auto* map = dynamic_cast<CVariantMap*>(parsed.get()))
        return P<CVariantMap>(map);
    throw CJsonParserError(str("the settings text holds no JSON object at its top level"));
}

bool fitsInt32(int64_t n) {
    return n >= std::numeric_limits<int32_t>::min() && n <= std::numeric_limits<int32_t>::max();
}

} // namespace

CJsonValueStore::CJsonValueStore(IURI* uri, int32_t mode)
    : m_mode(mode), m_uri(uri ? uri->clone() : nullptr), m_root(make<CVariantMap>()) {
    reload();
}

CJsonValueStore::CJsonValueStore(const P<CVariantMap>& root, int32_t mode)
    : m_mode(mode), m_root(root) {}

CJsonValueStore::~CJsonValueStore() = default;

void CJsonValueStore::load(IInStream& stream) {
    m_root = rootOf(CTextFileReader(stream, CTextFileReader::codePage).getText());
}

void CJsonValueStore::store(IOutStream& stream) {
    P<IString> text = stringConv::toUTF8(CJsonPrinter(true).print(m_root.get()));
    stream.write(text->getData(), text->getByteLength());
}

int32_t CJsonValueStore::getAccessMode() const {
    return m_mode;
}

P<IVariant> CJsonValueStore::member(StringArg name) {
    valueStore::requireRead(m_mode, m_uri.get());
    return m_root->get(makeString(name, StringStorage::reference));
}

void CJsonValueStore::setMember(StringArg name, const P<IVariant>& value) {
    valueStore::requireWrite(m_mode, m_uri.get());
    m_root->set(makeString(name, StringStorage::copy), value);
}

void CJsonValueStore::setString(StringArg name, StringArg value) {
    setMember(name, make<CVariantString>(makeString(value, StringStorage::copy)));
}

void CJsonValueStore::setInt(StringArg name, int32_t value) {
    // JSON reads every integer back as 64 bits; storing it so keeps the tree the same before
    // and after a save.
    setMember(name, make<CVariantInt64>(value));
}

void CJsonValueStore::setInt64(StringArg name, int64_t value) {
    setMember(name, make<CVariantInt64>(value));
}

void CJsonValueStore::setBool(StringArg name, bool value) {
    setMember(name, make<CVariantBoolean>(value));
}

void CJsonValueStore::setDouble(StringArg name, double value) {
    setMember(name, make<CVariantDouble>(value));
}

void CJsonValueStore::storeBinary(StringArg /*name*/, const IMemoryBlock& /*block*/) {
    valueStore::requireWrite(m_mode, m_uri.get());
    throw CError(str("Not implemented"), str("NotImplementedError"));
}

void CJsonValueStore::storeBinary(StringArg /*name*/, const void* /*data*/, int32_t /*size*/) {
    valueStore::requireWrite(m_mode, m_uri.get());
    throw CError(str("Not implemented"), str("NotImplementedError"));
}

P<IString> CJsonValueStore::getString(StringArg name, const P<IString>& defaultValue) {
    P<IVariant> value = member(name);
    if (auto* text = as<CVariantString>(value))
        return text->getValue().get();
    return defaultValue;
}

int32_t CJsonValueStore::getInt(StringArg name, int32_t defaultValue) {
    P<IVariant> value = member(name);
    if (auto* number = as<CVariantInt64>(value)) {
        int64_t n = number->getValue();
        if (fitsInt32(n))
            return static_cast<int32_t>(n);
    }
    return defaultValue;
}

int64_t CJsonValueStore::getInt64(StringArg name, int64_t defaultValue) {
    P<IVariant> value = member(name);
    if (auto* number = as<CVariantInt64>(value))
        return number->getValue();
    return defaultValue;
}

bool CJsonValueStore::getBool(StringArg name, bool defaultValue) {
    P<IVariant> value = member(name);
    if (auto* flag = as<CVariantBoolean>(value))
        return flag->getValue();
    if (auto* text = as<CVariantString>(value))
        return text->getValue()->equals("true");
    return defaultValue;
}

double CJsonValueStore::getDouble(StringArg name, double defaultValue) {
    P<IVariant> value = member(name);
    if (auto* number = as<CVariantDouble>(value))
        return number->getValue();
    if (auto* number = as<CVariantInt64>(value))
        return static_cast<double>(number->getValue());
    return defaultValue;
}

P<IMemoryBlock> CJsonValueStore::loadBinary(StringArg /*name*/,
                                            const P<IMemoryBlock>& /*defaultValue*/) {
    valueStore::requireRead(m_mode, m_uri.get());
    throw CMethodNotImplementedError(this, str("CJsonValueStore::loadBinary"));
}

P<IValueStore> CJsonValueStore::openSubStore(StringArg name, int32_t mode) {
    P<IVariant> value = m_root->get(makeString(name, StringStorage::reference));
    if (auto* map = dynamic_cast<CVariantMap*>(value.get()))
        return make<CJsonValueStore>(P<CVariantMap>(map), mode);
    if (!(mode & valueStoreWrite) || !(m_mode & valueStoreWrite))
        return nullptr;
    P<CVariantMap> created = make<CVariantMap>();
    m_root->set(makeString(name, StringStorage::copy), created);
    return make<CJsonValueStore>(created, mode);
}

bool CJsonValueStore::hasValue(StringArg name) {
    P<IVariant> value = member(name);
    return value && !as<CVariantMap>(value);
}

bool CJsonValueStore::hasSubStore(StringArg name) {
    return as<CVariantMap>(member(name)) != nullptr;
}

P<IArray> CJsonValueStore::namesOf(bool subStores) {
    valueStore::requireRead(m_mode, m_uri.get());
    P<IArray> keys = m_root->getKeys();
    P<CArray> names = make<CArray>();
    for (int32_t i = 0; i < keys->getCount(); ++i) {
        auto* key = dynamic_cast<IString*>(keys->get(i).get());
        bool isSubStore = as<CVariantMap>(m_root->get(P<IString>(key))) != nullptr;
        if (isSubStore == subStores)
            names->add(key);
    }
    return names;
}

P<IArray> CJsonValueStore::getValueNames() {
    return namesOf(false);
}

P<IArray> CJsonValueStore::getSubStoreNames() {
    return namesOf(true);
}

void CJsonValueStore::removeValue(StringArg name) {
    valueStore::requireWrite(m_mode, m_uri.get());
    m_root->remove(makeString(name, StringStorage::reference));
}

void CJsonValueStore::removeSubStore(StringArg name) {
    removeValue(name);
}

void CJsonValueStore::save() {
    valueStore::requireWrite(m_mode, m_uri.get());
    if (!m_uri)
        return;
    valueStore::saveAtomically(*m_uri, [this](IOutStream& out) { store(out); });
}

void CJsonValueStore::reload() {
    if (!(m_mode & valueStoreRead) || !m_uri)
        return;
    m_root = make<CVariantMap>();
    if (getFileSystemManager()->fileExists(m_uri.get()))
        m_root = rootOf(CTextFileReader(m_uri.get(), CTextFileReader::codePage).getText());
}

void CJsonValueStore::assignTo(IValueStore& other) {
    valueStore::requireRead(m_mode, m_uri.get());
    P<IArray> keys = m_root->getKeys();
    for (int32_t i = 0; i < keys->getCount(); ++i) {
        auto* key = dynamic_cast<IString*>(keys->get(i).get());
        P<IVariant> value = m_root->get(P<IString>(key));
        if (auto* text = as<CVariantString>(value))
            other.setString(*key, text->getValue());
        else if (auto* number = as<CVariantInt64>(value)) {
            int64_t n = number->getValue();
            if (fitsInt32(n))
                other.setInt(*key, static_cast<int32_t>(n));
            else
                other.setInt64(*key, n);
        } else if (auto* flag = as<CVariantBoolean>(value))
            other.setBool(*key, flag->getValue());
        else if (auto* real = as<CVariantDouble>(value))
            other.setDouble(*key, real->getValue());
    }
}

P<IValueStore> CJsonValueStoreFactory::createValueStore(IURI* uri, int32_t mode) {
    if (!uri || !uri->isScheme("file") || !uri->isExtension(".json"))
        return nullptr;
    return make<CJsonValueStore>(uri, mode);
}

} // namespace tamu
