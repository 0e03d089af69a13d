#include "tamu/posix/diskErrors.h"

#include "tamu/CURIError.h"
#include "tamu/IString.h"
#include "tamu/IURI.h"
#include "tamu/platform.h"
#include "tamu/str.h"
#include "tamu/stringConv.h"

#include <cerrno>

namespace tamu::posix {

namespace {

// The C library's text for a refused lock ("Resource temporarily unavailable") tells a user
// nothing about a file that another program has open.
[[noreturn]] void throwSharingViolation(const P<IURI>& uri) {
    P<IString> description =
        str("The process cannot access the file '%FILE%' because it is being used by another "
            "process.")
            ->replace("%FILE%", uri ? uri->toString() : str(""));
    throw CError(str("%ERRORDESC%")->replace("%ERRORDESC%", description), nullptr);
}

} // namespace

void throwOpenError(int errorCode, const P<IURI>& uri) {
    if (errorCode == EACCES || errorCode == EPERM || errorCode == EISDIR)
        throw CFileAccessDeniedError(uri);
    if (errorCode == EWOULDBLOCK)
        throwSharingViolation(uri);
    throwIOError(errorCode, uri);
}

void throwSeekBeforeStart() {
    throw CError(str("%ERRORDESC%")
                     ->replace("%ERRORDESC%", "An attempt was made to move the file pointer "
                                              "before the beginning of the file."),
                 nullptr);
}

void throwIOError(int errorCode, const P<IURI>& uri) {
    if (errorCode == ENOENT || errorCode == ENOTDIR)
        throw CFileNotFoundError(uri);
    throw CError(
        str("%ERRORDESC%")
            ->replace("%ERRORDESC%", stringConv::fromStd(platform::getSystemErrorText(errorCode))),
        nullptr);
}

} // namespace tamu::posix
