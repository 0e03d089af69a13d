#pragma once

#include "tamu/CParserBase.h"
#include "tamu/P.h"

namespace tamu {

class CVariantString;
class IString;
class IVariant;

// Reads JSON text into a variant tree (CVariantMap, CVariantArray, CVariantString,
// CVariantInt64, CVariantDouble, CVariantBoolean, CVariantNull). The reading is lenient, and
// settings files written with it in mind rely on that:
// - whatever stands before the first '{' or '[' is skipped, and nothing after the closing
//   bracket is looked at;
// - a number without a fraction of at least 1e-05 and without an exponent of 2 or more is an
//   integer (truncated toward zero), so 15e-1 reads as 1 and 1e2 as the double 100;
// - 'T' and 'F' are taken for the start of a boolean, which must still read "true" or "false"
//   (so TRUE fails as a malformed boolean); null may be written in any letter case.
// Grammar failures are CJsonParserError, missing punctuation and an early end CParseError.
class CJsonParser : public CParserBase {
public:
    CJsonParser();
    ~CJsonParser() override;

    // The object or array of `text`; null for an empty (or null) text.
    P<IVariant> parse(const P<IString>& text);

private:
    P<IVariant> parseValue();
    P<IVariant> parseObject();
    P<IVariant> parseArray();
    P<CVariantString> parseString();
    char16_t parseUnicodeEscape();
    P<IVariant> parseNumber();
    P<IVariant> parseBoolean();
    P<IVariant> parseNull();
};

} // namespace tamu
