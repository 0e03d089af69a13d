#pragma once

#include "tamu/CObject.h"
#include "tamu/IString.h"

#include <cstdint>

namespace tamu {

// Splits a text at a delimiter: adjacent delimiters give an empty token, a leading delimiter an
// empty first token, and a delimiter at the very end no empty last token.
class CStringTokenizerEnum : public CObject {
public:
    CStringTokenizerEnum(const P<IString>& text, char16_t delimiter);

    bool hasMoreTokens() const;
    // The next token (empty: the shared empty string); an empty string once none is left.
    P<IString> nextToken();

private:
    P<IString> m_text; // UTF-16
    const char16_t* m_units;
    int32_t m_unitCount;
    int32_t m_cursor = 0;
    char16_t m_delimiter;
};

} // namespace tamu
