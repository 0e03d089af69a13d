#include "tamu/CStringLineTokenizerEnum.h"

#include "tamu/str.h"
#include "tamu/stringConv.h"

#include <algorithm>

namespace tamu {

CStringLineTokenizerEnum::CStringLineTokenizerEnum(const P<IString>& text)
    : m_units(text ? stringConv::toStdU16String(*text) : std::u16string()) {
    std::erase(m_units, u'\r');
}

bool CStringLineTokenizerEnum::hasMore() const {
    return m_cursor < m_units.size();
}

P<IString> CStringLineTokenizerEnum::next() {
    size_t start = m_cursor;
    size_t end = m_units.find(u'\n', start);
    if (end == std::u16string::npos)
        end = m_units.size();
    m_cursor = std::min(end + 1, m_units.size());
    if (end == start)
        return emptyString();
    return stringConv::fromUTF16(m_units.data() + start, static_cast<int32_t>(end - start));
}

void CStringLineTokenizerEnum::rewind() {
    m_cursor = 0;
}

int32_t CStringLineTokenizerEnum::countLines() const {
    auto lines = std::count(m_units.begin(), m_units.end(), u'\n');
    if (!m_units.empty() && m_units.back() != u'\n')
        ++lines;
    return static_cast<int32_t>(lines);
}

} // namespace tamu
