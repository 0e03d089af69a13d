#include "tamu/posix/diskErrors.h"

#include "tamu/CURIError.h"
#include "tamu/IString.h"
#include "tamu/posix/systemErrorText.h"
#include "tamu/str.h"
#include "tamu/stringConv.h"

#include <cerrno>

namespace tamu::posix {

void throwOpenError(int errorCode, const P<IURI>& uri) {
    if (errorCode == EACCES || errorCode == EPERM || errorCode == EISDIR)
        throw CFileAccessDeniedError(uri);
    throwIOError(errorCode, uri);
}

void throwIOError(int errorCode, const P<IURI>& uri) {
    if (errorCode == ENOENT || errorCode == ENOTDIR)
        throw CFileNotFoundError(uri);
    throw CError(str("%ERRORDESC%")
                     ->replace("%ERRORDESC%", stringConv::fromStd(getSystemErrorText(errorCode))),
                 nullptr);
}

} // namespace tamu::posix
