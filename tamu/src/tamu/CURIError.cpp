#include "tamu/CURIError.h"

#include "tamu/IString.h"
#include "tamu/IStringLocalizer.h"
#include "tamu/IURI.h"
#include "tamu/str.h"

namespace tamu {

namespace {

P<IString> uriText(const P<IURI>& uri) {
    return uri ? uri->toString() : str("<uri unknown>");
}

// The translated text for `key`, or the English text when there is none.
template <size_t N>
P<IString> localized(const char* key, const char (&english)[N]) {
    return getStringLocalizer()->localize(key, str(english));
}

} // namespace

CURIError::CURIError(const P<IString>& message, const P<IString>& name, const P<IURI>& uri)
    : CError(message, name), m_uri(uri) {
    setMessage(getMessage()->replace("%URI%", uriText(uri)));
}

CURIError::CURIError(const CURIError& other) = default;
CURIError& CURIError::operator=(const CURIError& other) = default;
CURIError::~CURIError() = default;

P<IURI> CURIError::getURI() const {
    return m_uri;
}

CFileError::CFileError(const P<IString>& message, const P<IURI>& uri)
    : CURIError(message, str("FileError"), uri) {}

CFileNotFoundError::CFileNotFoundError(const P<IURI>& uri)
    : CFileError(
          uri ? localized("tamu.CFileNotFoundError.Desc", "The file '%FILE%' was not found.")
                    ->replace("%FILE%", uriText(uri))
              : localized("tamu.CFileNotFoundError.GeneralDesc", "The file could not be found."),
          uri) {
    setName(str("FileNotFoundError"));
}

CFileAccessDeniedError::CFileAccessDeniedError(const P<IURI>& uri)
    : CFileError(
          localized("tamu.CFileAccessDeniedError.Desc", "Access to the file '%FILE%' was denied.")
              ->replace("%FILE%", uriText(uri)),
          uri) {
    setName(str("FileAccessDeniedError"));
}

CFileAccessDeniedError::CFileAccessDeniedError(const P<IURI>& uri, const P<IString>& message)
    : CFileError(message, uri) {
    setName(str("FileAccessDeniedError"));
}

CStreamError::CStreamError(const P<IString>& message, const P<IURI>& uri)
    : CURIError(message, nullptr, uri) {}

CEndOfStreamError::CEndOfStreamError(const P<IURI>& uri)
    : CStreamError(uri ? str("Unexpected end of data stream (uri: '%URI%').")
                       : str("Unexpected end of data stream."),
                   uri) {}

CStreamClosedError::CStreamClosedError(const P<IURI>& uri)
    : CStreamError(str("The stream has been closed."), uri) {}

CURIFormatError::CURIFormatError(const P<IURI>& uri)
    : CURIError(uri ? str("The URI ('%URI%') has an invalid format.")
                    : str("The URI has an invalid format."),
                nullptr, uri) {}

CURITypeNotSupportedError::CURITypeNotSupportedError(const P<IURI>& uri)
    : CURIError(uri ? str("This type of URI ('%URI%') is not supported.")
                    : str("This type URI is not supported."),
                nullptr, uri) {}

} // namespace tamu
