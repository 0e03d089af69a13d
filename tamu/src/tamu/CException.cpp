#include "tamu/CException.h"

#include "tamu/IString.h"
#include "tamu/exceptionText.h"
#include "tamu/str.h"

namespace tamu {

CException::CException() : m_name(emptyString()), m_message(emptyString()) {}

CException::CException(const P<IString>& name, const P<IString>& message)
    : m_name(name ? name : emptyString()), m_message(message ? message : emptyString()) {}

CException::CException(const CException& other)
    : std::exception(other), CObject(other), m_name(other.m_name), m_message(other.m_message) {}

CException& CException::operator=(const CException& other) {
    std::exception::operator=(other);
    m_name = other.m_name;
    m_message = other.m_message;
    return *this;
}

CException::~CException() = default;

const char* CException::what() const noexcept {
    return exceptionText(m_message);
}

P<IString> CException::getName() const {
    return m_name;
}

P<IString> CException::getMessage() const {
    return m_message;
}

P<CException> CException::clone() const {
    return adopt(new CException(m_name, m_message));
}

void CException::setName(const P<IString>& name) {
    m_name = name ? name : emptyString();
}

void CException::setMessage(const P<IString>& message) {
    m_message = message ? message : emptyString();
}

COutOfmemoryException::COutOfmemoryException()
    : CException(str("OutOfMemory"), str("Unspecified error")) {}

} // namespace tamu
