#include "tamu/fileSystemErrors.h"

#include "tamu/IString.h"
#include "tamu/IStringLocalizer.h"
#include "tamu/IURI.h"
#include "tamu/str.h"

namespace tamu {

namespace {

P<IString> uriText(const P<IURI>& uri) {
    return uri ? uri->toString() : str("<uri unknown>");
}

template <size_t N>
CFileError conflict(const char* key, const char (&english)[N], const P<IURI>& source,
                    const P<IURI>& target) {
    P<IString> message = getStringLocalizer()->localize(key, str(english));
    return CFileError(
        message->replace("%SRC%", uriText(source))->replace("%DEST%", uriText(target)), source);
}

} // namespace

CFileError copyTargetExistsError(const P<IURI>& source, const P<IURI>& target) {
    return conflict("tamu.CFileSystemManager.CopyFile.Error.FileExists",
                    "Error copying file '%SRC%' to '%DEST%'. The file already exists.", source,
                    target);
}

CFileError moveFileTargetExistsError(const P<IURI>& source, const P<IURI>& target) {
    return conflict("tamu.CFileSystemManager.MoveFile.Error.FileExists",
                    "Error moving file '%SRC%' to '%DEST%'. The file already exists.", source,
                    target);
}

CFileError moveFolderTargetExistsError(const P<IURI>& source, const P<IURI>& target) {
    return conflict("tamu.CFileSystemManager.MoveFolderFailed.FolderExists",
                    "Error moving folder '%SRC%' to '%DEST%'. The folder already exists.", source,
                    target);
}

CFileError moveFolderCreateError(const P<IURI>& source, const P<IURI>& target) {
    return conflict("tamu.CFileSystemManager.MoveFolderFailed.CreateFolder",
                    "Error moving folder '%SRC%' to '%DEST%'. Could not create the folder.", source,
                    target);
}

CFileError moveFolderError(const P<IURI>& source, const P<IURI>& target) {
    return conflict("tamu.CFileSystemManager.MoveFolderFailed",
                    "Error moving folder '%SRC%' to '%DEST%'.", source, target);
}

} // namespace tamu
