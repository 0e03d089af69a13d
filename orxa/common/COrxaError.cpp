#include "orxa/common/COrxaError.h"

#include "tamu/IString.h"
#include "tamu/debugOutput.h"
#include "tamu/str.h"

namespace orxa::common {

COrxaError::COrxaError(const tamu::P<tamu::IString>& message)
    : CError(message, tamu::str("COrxaError")) {
    tamu::debugOutput(getMessage());
    tamu::debugOutput(tamu::str("\n"));
}

// Copies (the thrown one included) stay silent: the failure was reported once.
COrxaError::COrxaError(const COrxaError& other) = default;

tamu::P<tamu::CException> COrxaError::clone() const {
    return tamu::adopt<tamu::CException>(new COrxaError(*this));
}

} // namespace orxa::common
