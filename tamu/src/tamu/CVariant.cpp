#include "tamu/CVariant.h"

#include "tamu/CStringFormat.h"
#include "tamu/IString.h"
#include "tamu/str.h"

namespace tamu {

CVariantInt64::CVariantInt64(int64_t value) : CVariant(value) {}

P<IString> CVariantInt64::asText() const {
    return formatString("%d", getValue());
}

P<IVariant> CVariantInt64::clone() const {
    return make<CVariantInt64>(getValue());
}

CVariantInt32::CVariantInt32(int32_t value) : CVariant(value) {}

P<IString> CVariantInt32::asText() const {
    return formatString("%d", getValue());
}

P<IVariant> CVariantInt32::clone() const {
    return make<CVariantInt32>(getValue());
}

CVariantUInt64::CVariantUInt64(uint64_t value) : CVariant(value) {}

P<IString> CVariantUInt64::asText() const {
    return formatString("%d", getValue());
}

P<IVariant> CVariantUInt64::clone() const {
    return make<CVariantUInt64>(getValue());
}

CVariantDouble::CVariantDouble(double value) : CVariant(value) {}

P<IString> CVariantDouble::asText() const {
    return formatString("%g", getValue());
}

P<IVariant> CVariantDouble::clone() const {
    return make<CVariantDouble>(getValue());
}

CVariantBoolean::CVariantBoolean(bool value) : CVariant(value) {}

P<IString> CVariantBoolean::asText() const {
    return getValue() ? str("true") : str("false");
}

P<IVariant> CVariantBoolean::clone() const {
    return make<CVariantBoolean>(getValue());
}

CVariantString::CVariantString(String value) : CVariant(std::move(value)) {}

P<IString> CVariantString::asText() const {
    return getValue().isNull() ? emptyString() : getValue().get();
}

P<IVariant> CVariantString::clone() const {
    return make<CVariantString>(getValue());
}

P<IString> CVariantNull::asText() const {
    return str("null");
}

P<IVariant> CVariantNull::clone() const {
    return make<CVariantNull>();
}

} // namespace tamu
