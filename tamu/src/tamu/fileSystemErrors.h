#pragma once

#include "tamu/CURIError.h"

namespace tamu {

// The conflicts of copying and moving, with "%SRC%" and "%DEST%" filled with the two URIs.
// Shared by the manager and the platform's file system, so a caller sees one text whichever of
// them copies.
CFileError copyTargetExistsError(const P<IURI>& source, const P<IURI>& target);
CFileError moveFileTargetExistsError(const P<IURI>& source, const P<IURI>& target);
CFileError moveFolderTargetExistsError(const P<IURI>& source, const P<IURI>& target);
CFileError moveFolderCreateError(const P<IURI>& source, const P<IURI>& target);
CFileError moveFolderError(const P<IURI>& source, const P<IURI>& target);

} // namespace tamu
