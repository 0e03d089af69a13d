#pragma once

#include "tamu/CObject.h"
#include "tamu/IString.h"

#include <cstdint>
#include <string>

namespace tamu {

// Splits a text into lines at line feeds; carriage returns are dropped wherever they stand, so
// "\r\n", "\n" and a stray "\r" all read alike. An empty line is an empty string; a final line
// feed gives no empty last line.
class CStringLineTokenizerEnum : public CObject {
public:
    explicit CStringLineTokenizerEnum(const P<IString>& text);

    bool hasMore() const;
    // The next line without its line feed; an empty string once none is left.
    P<IString> next();
    // Back to the first line.
    void rewind();
    // Lines of the whole text, wherever the cursor stands.
    int32_t countLines() const;

private:
    std::u16string m_units;
    size_t m_cursor = 0;
};

} // namespace tamu
