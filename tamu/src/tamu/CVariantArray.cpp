#include "tamu/CVariantArray.h"

#include "arraySupport.h"
#include "tamu/IString.h"
#include "tamu/stringConv.h"

#include <string>

namespace tamu {

CVariantArray::CVariantArray() = default;

CVariantArray::~CVariantArray() = default;

void CVariantArray::append(const P<IVariant>& value) {
    m_values.push_back(value);
}

int32_t CVariantArray::getCount() const {
    return static_cast<int32_t>(m_values.size());
}

P<IVariant> CVariantArray::get(int32_t index) const {
    if (index < 0 || index >= getCount())
        throwIndexError(this, "CVariantArray::get", index, getCount());
    return m_values[static_cast<size_t>(index)];
}

P<IString> CVariantArray::asText() const {
    std::string text = "[";
    for (size_t i = 0; i < m_values.size(); ++i) {
        if (i > 0)
            text += ", ";
        if (m_values[i])
            text += stringConv::toStdString(*m_values[i]->asText());
    }
    text += "]";
    return stringConv::fromStd(text);
}

P<IVariant> CVariantArray::clone() const {
    P<CVariantArray> copy = make<CVariantArray>();
    copy->m_values.reserve(m_values.size());
    for (const P<IVariant>& value : m_values)
        copy->m_values.push_back(value ? value->clone() : nullptr);
    return copy;
}

} // namespace tamu
