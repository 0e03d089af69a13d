#pragma once

#include "tamu/CError.h"

namespace orxa::common {

// Every failure of decoding or encoding that a worker reports to the host. Constructing one
// from a message also writes the message to the debug channel.
class TAMU_API COrxaError : public tamu::CError {
public:
    explicit COrxaError(const tamu::P<tamu::IString>& message);
    COrxaError(const COrxaError& other);

    // A COrxaError again, unlike the plain CException other errors clone into.
    tamu::P<tamu::CException> clone() const override;
};

} // namespace orxa::common
