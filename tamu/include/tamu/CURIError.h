#pragma once

#include "tamu/CError.h"
#include "tamu/IURI.h"

namespace tamu {

// A failure concerning a resource. The URI's text replaces "%URI%" in the message
// ("<uri unknown>" without a URI).
class TAMU_API CURIError : public CError {
public:
    CURIError(const P<IString>& message, const P<IString>& name, const P<IURI>& uri);
    CURIError(const CURIError& other);
    CURIError& operator=(const CURIError& other);
    ~CURIError() override;

    // Null when no URI was given.
    virtual P<IURI> getURI() const;

private:
    P<IURI> m_uri;
};

class TAMU_API CFileError : public CURIError {
public:
    CFileError(const P<IString>& message, const P<IURI>& uri);
};

// Without a URI the message says only that a file could not be found.
class TAMU_API CFileNotFoundError : public CFileError {
public:
    explicit CFileNotFoundError(const P<IURI>& uri = nullptr);
};

class TAMU_API CFileAccessDeniedError : public CFileError {
public:
    explicit CFileAccessDeniedError(const P<IURI>& uri);
    // A refusal the resource's own rules give (a store opened without write access, say)
    // rather than the system's: the message is `message` itself.
    CFileAccessDeniedError(const P<IURI>& uri, const P<IString>& message);
};

class TAMU_API CStreamError : public CURIError {
public:
    CStreamError(const P<IString>& message, const P<IURI>& uri);
};

class TAMU_API CEndOfStreamError : public CStreamError {
public:
    explicit CEndOfStreamError(const P<IURI>& uri = nullptr);
};

class TAMU_API CStreamClosedError : public CStreamError {
public:
    explicit CStreamClosedError(const P<IURI>& uri = nullptr);
};

class TAMU_API CURIFormatError : public CURIError {
public:
    explicit CURIFormatError(const P<IURI>& uri = nullptr);
};

class TAMU_API CURITypeNotSupportedError : public CURIError {
public:
    explicit CURITypeNotSupportedError(const P<IURI>& uri = nullptr);
};

} // namespace tamu
