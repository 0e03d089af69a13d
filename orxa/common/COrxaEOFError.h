#pragma once

#include "tamu/CError.h"

namespace orxa::common {

// The end of a source's data. Not a COrxaError: a handler for COrxaError lets it pass.
class TAMU_API COrxaEOFError : public tamu::CError {
public:
    explicit COrxaEOFError(const tamu::P<tamu::IString>& message);
    COrxaEOFError(const COrxaEOFError& other);

    tamu::P<tamu::CException> clone() const override;
};

} // namespace orxa::common
