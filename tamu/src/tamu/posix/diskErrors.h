#pragma once

#include "tamu/P.h"

namespace tamu {
class IURI;
} // namespace tamu

namespace tamu::posix {

// A failed open: a missing file or folder is CFileNotFoundError, a refusal by the permissions
// (or a folder where a file is wanted) CFileAccessDeniedError, a refusal by the share modes of
// other opens (EWOULDBLOCK) a CError saying that the file is in use, anything else as
// throwIOError.
[[noreturn]] void throwOpenError(int errorCode, const P<IURI>& uri);

// A failed transfer, positioning or size query: a missing file or folder is CFileNotFoundError,
// anything else a CError whose message is the system's text for the errno value.
[[noreturn]] void throwIOError(int errorCode, const P<IURI>& uri);

// A positioning the file refused because the target lies before its start.
[[noreturn]] void throwSeekBeforeStart();

} // namespace tamu::posix
