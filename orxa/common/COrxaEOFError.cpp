#include "orxa/common/COrxaEOFError.h"

#include "tamu/IString.h"
#include "tamu/str.h"

namespace orxa::common {

COrxaEOFError::COrxaEOFError(const tamu::P<tamu::IString>& message)
    : CError(message, tamu::str("COrxaEOFError")) {}

COrxaEOFError::COrxaEOFError(const COrxaEOFError& other) = default;

tamu::P<tamu::CException> COrxaEOFError::clone() const {
    return tamu::adopt<tamu::CException>(new COrxaEOFError(*this));
}

} // namespace orxa::common
