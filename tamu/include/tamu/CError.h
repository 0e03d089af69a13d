#pragma once

#include "tamu/CException.h"

namespace tamu {

// A failure with a message and a name. An empty message or name (null, the null string or an
// empty text) falls back to "Unspecified error" and "Error".
class TAMU_API CError : public CException {
public:
    CError(const P<IString>& message, const P<IString>& name);

protected:
    // The same fallbacks for the texts subclasses compose after construction, so that a
    // placeholder replaced by nothing still leaves a handler something to show.
    void setName(const P<IString>& name);
    void setMessage(const P<IString>& message);
};

// An identifier that names no volume.
class TAMU_API CInvalidVolumeIDError : public CError {
public:
    explicit CInvalidVolumeIDError(const P<IString>& volumeId);
};

// A lookup that had to find something and did not.
class TAMU_API CNoSuchObjectError : public CError {
public:
    explicit CNoSuchObjectError(const P<IString>& message);
};

// Text that does not read as the value it should hold (numbers, for one).
class TAMU_API CParseError : public CError {
public:
    explicit CParseError(const P<IString>& message);
};

class TAMU_API CJsonParserError : public CError {
public:
    explicit CJsonParserError(const P<IString>& message);
};

// A write to something that only allows reading; `objectText` names it.
class TAMU_API CReadOnlyError : public CError {
public:
    explicit CReadOnlyError(const P<IString>& objectText);
};

} // namespace tamu
