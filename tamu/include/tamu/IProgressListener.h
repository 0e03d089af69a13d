#pragma once

#include "tamu/IBase.h"

#include <cstdint>

namespace tamu {

// Asked by a long operation (a file copy) before each step whether to go on.
class TAMU_API IProgressListener : public virtual IBase {
public:
    // `done` of `total` bytes are through (`total` is -1 when unknown). The last call comes
    // with done == total, before the result is put in place; false abandons the operation,
    // which then leaves no partial result behind.
    virtual bool onProgress(int64_t done, int64_t total) = 0;
};

} // namespace tamu
