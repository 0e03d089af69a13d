#pragma once

#include "tamu/CError.h"

#include <typeinfo>

namespace tamu {

class IBase;

// A failure concerning one object. Its description ("object: " and the object's toString, else
// "object class: " and the class name, else "unknown object") replaces "%OBJECTDESC%" in the
// message, or is the message when none is given.
class TAMU_API CObjectError : public CError {
public:
    CObjectError(const IBase* object, const std::type_info* type, const P<IString>& message);
    CObjectError(const CObjectError& other);
    CObjectError& operator=(const CObjectError& other);
    ~CObjectError() override;

    P<IString> getObjectDesc() const;

protected:
    // For subclasses that compose their message around the description themselves.
    CObjectError(const IBase* object, const std::type_info* type);

private:
    P<IString> m_objectDesc;
};

// An object that does not offer the interface a checked interfaceCast asked for.
class TAMU_API CCastError : public CObjectError {
public:
    CCastError(const IBase* object, const std::type_info& requested);
};

// `method` names the operation as "Class::operation".
class TAMU_API CInvalidArgError : public CObjectError {
public:
    CInvalidArgError(const IBase* object, const P<IString>& method, const P<IString>& argument);
};

class TAMU_API CMethodNotImplementedError : public CObjectError {
public:
    CMethodNotImplementedError(const IBase* object, const P<IString>& method);
};

class TAMU_API CInvalidObjectStateError : public CObjectError {
public:
    CInvalidObjectStateError(const IBase* object, const P<IString>& reason);
};

// An enumeration asked for more after its last element.
class TAMU_API CEndOfEnumError : public CInvalidObjectStateError {
public:
    explicit CEndOfEnumError(const IBase* object);
};

} // namespace tamu
