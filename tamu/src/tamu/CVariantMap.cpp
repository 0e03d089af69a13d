#include "tamu/CVariantMap.h"

#include "tamu/CArray.h"
#include "tamu/IString.h"
#include "tamu/stringConv.h"

#include <algorithm>
#include <string>

namespace tamu {

CVariantMap::CVariantMap() = default;

CVariantMap::~CVariantMap() = default;

void CVariantMap::set(const String& key, const P<IVariant>& value) {
    auto found = m_values.find(key);
    if (found != m_values.end()) {
        m_setOrder.erase(std::find(m_setOrder.begin(), m_setOrder.end(), key));
        found->second = value;
    } else {
        m_values.emplace(key, value);
    }
    m_setOrder.push_back(key);
}

P<IVariant> CVariantMap::get(const String& key) const {
    auto found = m_values.find(key);
    return found != m_values.end() ? found->second : nullptr;
}

bool CVariantMap::contains(const String& key) const {
    return m_values.find(key) != m_values.end();
}

bool CVariantMap::remove(const String& key) {
    if (m_values.erase(key) == 0)
        return false;
    m_setOrder.erase(std::find(m_setOrder.begin(), m_setOrder.end(), key));
    return true;
}

int32_t CVariantMap::getCount() const {
    return static_cast<int32_t>(m_values.size());
}

P<IArray> CVariantMap::getKeys() const {
    P<CArray> keys = make<CArray>(getCount());
    for (const auto& [key, value] : m_values)
        keys->add(key.get().get());
    return keys;
}

P<IArray> CVariantMap::getValues() const {
    P<CArray> values = make<CArray>(getCount());
    for (const String& key : m_setOrder)
        values->add(m_values.at(key).get());
    return values;
}

P<IString> CVariantMap::asText() const {
    std::string text = "{";
    for (const auto& [key, value] : m_values) {
        if (text.size() > 1)
            text += "; ";
        text += "Key: ";
        text += key.isNull() ? std::string() : stringConv::toStdString(*key);
        text += ", Value: ";
        if (value)
            text += stringConv::toStdString(*value->asText());
    }
    text += "}";
    return stringConv::fromStd(text);
}

P<IVariant> CVariantMap::clone() const {
    P<CVariantMap> copy = make<CVariantMap>();
    // Walking the set order rebuilds it as it was.
    for (const String& key : m_setOrder) {
        const P<IVariant>& value = m_values.at(key);
        copy->set(key, value ? value->clone() : nullptr);
    }
    return copy;
}

} // namespace tamu
