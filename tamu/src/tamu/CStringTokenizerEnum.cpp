#include "tamu/CStringTokenizerEnum.h"

#include "tamu/CWCharString.h"
#include "tamu/TNullString.h"
#include "tamu/str.h"
#include "tamu/stringConv.h"

namespace tamu {

CStringTokenizerEnum::CStringTokenizerEnum(const P<IString>& text, char16_t delimiter)
    : m_text(stringConv::toUTF16(text)), m_units(static_cast<const char16_t*>(m_text->getData())),
      m_unitCount(m_text->getByteLength() / 2), m_delimiter(delimiter) {}

bool CStringTokenizerEnum::hasMoreTokens() const {
    return m_cursor < m_unitCount;
}

P<IString> CStringTokenizerEnum::nextToken() {
    int32_t start = m_cursor;
    while (m_cursor < m_unitCount && m_units[m_cursor] != m_delimiter)
        ++m_cursor;
    int32_t length = m_cursor - start;
    if (m_cursor < m_unitCount)
        ++m_cursor;
    if (length == 0)
        return emptyString();
    return adopt(new CWCharString(m_units + start, length * 2));
}

} // namespace tamu
