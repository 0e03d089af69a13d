#pragma once

#include "tamu/CObject.h"
#include "tamu/IVariant.h"
#include "tamu/String.h"

#include <cstdint>
#include <map>
#include <vector>

namespace tamu {

class IArray;

// String keys to variants (a JSON object), kept in ascending key order (code point order).
// The map also remembers the order in which values were set.
class CVariantMap final : public CObject, public virtual IVariant {
public:
    CVariantMap();
    ~CVariantMap() override;

    // Stores `value` under `key`; a value already there is replaced and leaves the set order.
    void set(const String& key, const P<IVariant>& value);
    // Null when the key is absent.
    P<IVariant> get(const String& key) const;
    bool contains(const String& key) const;
    // Whether there was such a key.
    bool remove(const String& key);
    int32_t getCount() const;
    // A new array of the keys (IString) in ascending order.
    P<IArray> getKeys() const;
    // A new array of the values in the order they were set.
    P<IArray> getValues() const;

    // One part per key in key order, "Key: " key ", Value: " value text, separated by "; ",
    // between braces.
    P<IString> asText() const override;
    P<IVariant> clone() const override;

private:
    std::map<String, P<IVariant>> m_values;
    // Keys in the order their values were set.
    std::vector<String> m_setOrder;
};

} // namespace tamu
