#include "tamu/CError.h"

#include "tamu/IString.h"
#include "tamu/str.h"

namespace tamu {

namespace {

// An absent argument, the null string and an empty text all select the default.
template <size_t N>
P<IString> orDefault(const P<IString>& text, const char (&fallback)[N]) {
    return text && !text->isEmpty() ? text : str(fallback);
}

} // namespace

CError::CError(const P<IString>& message, const P<IString>& name)
    : CException(orDefault(name, "Error"), orDefault(message, "Unspecified error")) {}

void CError::setName(const P<IString>& name) {
    CException::setName(orDefault(name, "Error"));
}

void CError::setMessage(const P<IString>& message) {
    CException::setMessage(orDefault(message, "Unspecified error"));
}

CInvalidVolumeIDError::CInvalidVolumeIDError(const P<IString>& volumeId)
    : CError(str("Invalid volume id: ")->concat(volumeId), str("Invalid Volume ID Error")) {}

CNoSuchObjectError::CNoSuchObjectError(const P<IString>& message)
    : CError(orDefault(message, "No such object."), nullptr) {}

CParseError::CParseError(const P<IString>& message) : CError(message, str("Parse error")) {}

CJsonParserError::CJsonParserError(const P<IString>& message)
    : CError(message, str("JSONParser Error")) {}

CReadOnlyError::CReadOnlyError(const P<IString>& objectText)
    : CError(str("The object ")->concat(objectText)->concat(" is read-only and cannot be changed."),
             nullptr) {}

} // namespace tamu
