#include "tamu/CObjectError.h"

#include "tamu/IString.h"
#include "tamu/str.h"
#include "tamu/undecoratedName.h"

namespace tamu {

namespace {

P<IString> describe(const IBase* object, const std::type_info* type) {
    if (object)
        return str("object: ")->concat(object->toString());
    if (type)
        return str("object class: ")->concat(undecoratedName(*type));
    return str("unknown object");
}

template <size_t N>
P<IString> orDefault(const P<IString>& text, const char (&fallback)[N]) {
    return text && !text->isEmpty() ? text : str(fallback);
}

} // namespace

CObjectError::CObjectError(const IBase* object, const std::type_info* type)
    : CError(nullptr, str("Object error")), m_objectDesc(describe(object, type)) {}

CObjectError::CObjectError(const IBase* object, const std::type_info* type,
                           const P<IString>& message)
    : CObjectError(object, type) {
    // An empty text selects the description, as an absent one does.
    setMessage(message && !message->isEmpty() ? message->replace("%OBJECTDESC%", m_objectDesc)
                                              : m_objectDesc);
}

CObjectError::CObjectError(const CObjectError& other) = default;
CObjectError& CObjectError::operator=(const CObjectError& other) = default;
CObjectError::~CObjectError() = default;

P<IString> CObjectError::getObjectDesc() const {
    return m_objectDesc;
}

CCastError::CCastError(const IBase* object, const std::type_info& requested)
    : CObjectError(object, nullptr) {
    setName(str("Cast error"));
    // The class names alone: the description of the object could be long and says no more.
    P<IString> objectClass = object ? undecoratedName(typeid(*object)) : str("<null>");
    setMessage(str("Error casting a '")
                   ->concat(objectClass)
                   ->concat("' object to '")
                   ->concat(undecoratedName(requested))
                   ->concat("'."));
}

CInvalidArgError::CInvalidArgError(const IBase* object, const P<IString>& method,
                                   const P<IString>& argument)
    : CObjectError(object, nullptr) {
    setMessage(str("An invalid argument was passed to method '")
                   ->concat(orDefault(method, "unspecified method"))
                   ->concat("' of '")
                   ->concat(getObjectDesc())
                   ->concat("': ")
                   ->concat(orDefault(argument, "unspecified argument")));
}

CMethodNotImplementedError::CMethodNotImplementedError(const IBase* object,
                                                       const P<IString>& method)
    : CObjectError(object, nullptr) {
    setMessage(str("Method not implemented (")
                   ->concat(getObjectDesc())
                   ->concat("): ")
                   ->concat(orDefault(method, "unspecified method.")));
}

CInvalidObjectStateError::CInvalidObjectStateError(const IBase* object, const P<IString>& reason)
    : CObjectError(object, nullptr) {
    setMessage(str("The object is in an invalid state (")
                   ->concat(getObjectDesc())
                   ->concat("): ")
                   ->concat(reason)
                   ->concat("."));
}

CEndOfEnumError::CEndOfEnumError(const IBase* object)
    : CInvalidObjectStateError(object, str("end of enumeration already reached")) {}

} // namespace tamu
