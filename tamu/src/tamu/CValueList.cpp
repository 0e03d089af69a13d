#include "tamu/CValueList.h"

#include "CodePointReader.h"
#include "EncodedTextBuffer.h"
#include "caseFolding.h"
#include "charEncodingInstances.h"
#include "tamu/CArray.h"
#include "tamu/CObjectError.h"
#include "tamu/IEnum.h"
#include "tamu/IString.h"
#include "tamu/IURI.h"
#include "tamu/TSimpleArray.h"
#include "tamu/boxes.h"
#include "tamu/interfaceCast.h"
#include "valueConversion.h"

namespace tamu {

// A snapshot of the names: the table may change while the walk is under way.
class CValueList::CNameEnum : public CObject, public virtual IStringEnum {
public:
    explicit CNameEnum(int32_t count) : m_names(count) {}

    void add(const String& name) { m_names.add(name); }
    bool hasMore() const override { return m_index < m_names.getCount(); }
    P<IString> next() override {
        if (!hasMore())
            throw CEndOfEnumError(this);
        return m_names.get(m_index++).get();
    }

private:
    TSimpleArray<String> m_names;
    int32_t m_index = 0;
};

namespace {

template <class Box>
const Box* boxOf(const IBase* object) {
    return interfaceCast<Box>(object, true);
}

// Tries each box in turn; the first that the object offers gives the value.
template <class Result, class Box, class... More>
bool convertFrom(const IBase* object, Result& result) {
    if (const Box* box = boxOf<Box>(object)) {
        result = convertNumber<Result>(box->get());
        return true;
    }
    if constexpr (sizeof...(More) > 0)
        return convertFrom<Result, More...>(object, result);
    else
        return false;
}

template <class Result, class... Boxes>
Result getConverted(const IBase* object, Result defaultValue) {
    Result result = defaultValue;
    if (object && convertFrom<Result, Boxes...>(object, result))
        return result;
    return defaultValue;
}

template <class Interface>
P<Interface> getAs(const IBase* object, const P<Interface>& defaultValue) {
    if (const Interface* found = interfaceCast<Interface>(object, true))
        return P<Interface>(const_cast<Interface*>(found));
    return defaultValue;
}

} // namespace

CValueList::CValueList(bool caseSensitive) : m_caseSensitive(caseSensitive) {}

CValueList::~CValueList() = default;

String CValueList::keyOf(const StringArg& name, bool stored) const {
    if (m_caseSensitive)
        return makeString(name, stored ? StringStorage::copy : StringStorage::reference);
    // Folding, unlike the C runtime's case mapping, does not depend on the locale: a name
    // stored under one locale is found under any other.
    const CaseFoldTable& table = caseFoldTable();
    EncodedTextBuffer folded(*utf8EncodingInstance(), name.byteLength());
    CodePointReader reader(name.encoding(), name.data(), name.byteLength());
    uint32_t c;
    while (reader.next(c))
        folded.appendChar(table.fold(c));
    return folded.finish();
}

IBase* CValueList::find(const StringArg& name) const {
    const Entry* entry = m_entries.get(keyOf(name, false));
    return entry ? entry->value.get() : nullptr;
}

bool CValueList::isCaseSensitive() const {
    return m_caseSensitive;
}

bool CValueList::contains(StringArg name) const {
    return m_entries.get(keyOf(name, false)) != nullptr;
}

P<IBase> CValueList::get(StringArg name) const {
    return P<IBase>(find(name));
}

bool CValueList::getBool(StringArg name, bool defaultValue) const {
    return getConverted<bool, IBool>(find(name), defaultValue);
}

int32_t CValueList::getInt(StringArg name, int32_t defaultValue) const {
    return getConverted<int32_t, IInt, IInt64, IDouble, IFloat>(find(name), defaultValue);
}

int64_t CValueList::getInt64(StringArg name, int64_t defaultValue) const {
    return getConverted<int64_t, IInt64, IDouble, IInt, IFloat>(find(name), defaultValue);
}

float CValueList::getFloat(StringArg name, float defaultValue) const {
    return getConverted<float, IFloat, IDouble, IInt64, IInt>(find(name), defaultValue);
}

double CValueList::getDouble(StringArg name, double defaultValue) const {
    return getConverted<double, IDouble, IFloat, IInt64, IInt>(find(name), defaultValue);
}

P<IString> CValueList::getString(StringArg name, const P<IString>& defaultValue) const {
    return getAs<IString>(find(name), defaultValue);
}

P<IURI> CValueList::getURI(StringArg name, const P<IURI>& defaultValue) const {
    return getAs<IURI>(find(name), defaultValue);
}

P<IValueList> CValueList::getValueList(StringArg name, const P<IValueList>& defaultValue) const {
    return getAs<IValueList>(find(name), defaultValue);
}

P<IArray> CValueList::getArray(StringArg name, const P<IArray>& defaultValue) const {
    return getAs<IArray>(find(name), defaultValue);
}

void CValueList::set(StringArg name, IBase* value) {
    if (Entry* entry = m_entries.get(keyOf(name, false))) {
        entry->value = P<IBase>(value);
        return;
    }
    String given = makeString(name, StringStorage::copy);
    m_entries.put(m_caseSensitive ? given : keyOf(name, true), Entry{given, P<IBase>(value)});
}

void CValueList::setInt(StringArg name, int32_t value) {
    set(name, make<CInt>(value));
}

void CValueList::setInt64(StringArg name, int64_t value) {
    set(name, make<CInt64>(value));
}

void CValueList::setBool(StringArg name, bool value) {
    set(name, make<CBool>(value));
}

void CValueList::setDouble(StringArg name, double value) {
    set(name, make<CDouble>(value));
}

void CValueList::setFloat(StringArg name, float value) {
    set(name, make<CFloat>(value));
}

void CValueList::set(StringArg name, const P<IString>& text) {
    set(name, static_cast<IBase*>(text.get()));
}

void CValueList::set(StringArg name, const P<IBase>& value) {
    set(name, value.get());
}

void CValueList::setArray(StringArg name, const IConstArray& array) {
    P<CArray> copy = make<CArray>();
    copy->addAll(&array);
    set(name, copy);
}

bool CValueList::remove(StringArg name) {
    return m_entries.remove(keyOf(name, false));
}

void CValueList::clear() {
    m_entries.clear();
}

P<IStringEnum> CValueList::getNames() const {
    P<CNameEnum> names = make<CNameEnum>(m_entries.getCount());
    const_cast<TSimpleHashTable<String, Entry>&>(m_entries).forEach(
        [&](const String&, const Entry& entry) { names->add(entry.name); });
    return names;
}

P<IValueList> CValueList::clone() const {
    P<CValueList> copy = make<CValueList>(m_caseSensitive);
    const_cast<TSimpleHashTable<String, Entry>&>(m_entries).forEach(
        [&](const String& key, const Entry& entry) { copy->m_entries.put(key, entry); });
    return copy;
}

int32_t CValueList::getCount() const {
    return m_entries.getCount();
}

} // namespace tamu
