#pragma once

#include "tamu/CObject.h"
#include "tamu/P.h"

#include <exception>

namespace tamu {

class IString;

// The root of every failure the library and the plug-in throw. An exception is both a counted
// object and a standard exception; it carries a short name (the error's title) and a message.
// Thrown by value: copies share the name and message strings.
class TAMU_API CException : public std::exception, public CObject {
public:
    // Both strings hold the shared empty string.
    CException();
    CException(const P<IString>& name, const P<IString>& message);
    CException(const CException& other);
    CException& operator=(const CException& other);
    ~CException() override;

    // The message in the process code page. The text stays valid until the next what() on the
    // same thread (or as long as the exception when the message already is such a text).
    const char* what() const noexcept override;
    virtual P<IString> getName() const;
    virtual P<IString> getMessage() const;
    // A plain CException with this exception's name and message, whatever its class: what must
    // outlive a handler (or travel to another thread) is kept this way.
    virtual P<CException> clone() const;

protected:
    // Subclasses whose messages depend on their own fields compose them in their constructors.
    void setName(const P<IString>& name);
    void setMessage(const P<IString>& message);

private:
    P<IString> m_name;
    P<IString> m_message;
};

// Thrown where memory runs out.
class TAMU_API COutOfmemoryException : public CException {
public:
    COutOfmemoryException();
};

} // namespace tamu
