#pragma once

#include "tamu/CObject.h"
#include "tamu/IVariant.h"
#include "tamu/String.h"

#include <cstdint>
#include <utility>

namespace tamu {

// A variant holding one value of type T.
template <class T>
class CVariant : public CObject, public virtual IVariant {
public:
    explicit CVariant(T value) : m_value(std::move(value)) {}
    const T& getValue() const { return m_value; }

private:
    T m_value;
};

// Decimal text.
class CVariantInt64 final : public CVariant<int64_t> {
public:
    explicit CVariantInt64(int64_t value);
    P<IString> asText() const override;
    P<IVariant> clone() const override;
};

// JSON is never read into the next two; they exist for trees built in code.
class CVariantInt32 final : public CVariant<int32_t> {
public:
    explicit CVariantInt32(int32_t value);
    P<IString> asText() const override;
    P<IVariant> clone() const override;
};

class CVariantUInt64 final : public CVariant<uint64_t> {
public:
    explicit CVariantUInt64(uint64_t value);
    P<IString> asText() const override;
    P<IVariant> clone() const override;
};

// Text as "%g" gives it.
class CVariantDouble final : public CVariant<double> {
public:
    explicit CVariantDouble(double value);
    P<IString> asText() const override;
    P<IVariant> clone() const override;
};

// "true" or "false".
class CVariantBoolean final : public CVariant<bool> {
public:
    explicit CVariantBoolean(bool value);
    P<IString> asText() const override;
    P<IVariant> clone() const override;
};

// The string itself (strings are immutable: a clone shares it).
class CVariantString final : public CVariant<String> {
public:
    explicit CVariantString(String value);
    P<IString> asText() const override;
    P<IVariant> clone() const override;
};

// "null".
class CVariantNull final : public CObject, public virtual IVariant {
public:
    P<IString> asText() const override;
    P<IVariant> clone() const override;
};

} // namespace tamu
