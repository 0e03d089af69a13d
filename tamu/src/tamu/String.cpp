#include "tamu/String.h"

namespace tamu {

bool String::operator==(const String& other) const {
    if (m_text == other.m_text)
        return true;
    if (!m_text)
        return other->isEmpty();
    if (!other.m_text)
        return m_text->isEmpty();
    return m_text->equals(*other.m_text, 0, -1);
}

bool String::equals(StringArg other) const {
    if (!m_text)
        return other.encoding().countChars(other.data(), other.byteLength(), 0) == 0;
    return m_text->equals(other, 0, -1);
}

bool String::operator<(const String& other) const {
    if (!m_text)
        return other.m_text && !other->isEmpty();
    return m_text->compare(other) < 0;
}

} // namespace tamu
