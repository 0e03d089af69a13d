// A module built from the plug-in's own objects with its visibility settings. Its one entry
// throws the exception that `kind` names, so a test can catch it on the far side of dlopen
// the way a host catches the plug-in's errors.
#include "orxa/common/COrxaEOFError.h"
#include "orxa/common/COrxaError.h"
#include "tamu/CObjectError.h"
#include "tamu/CURIError.h"
#include "tamu/interfaceCast.h"
#include "tamu/str.h"
#include "tamu/stringParse.h"

namespace {

class INeverOffered : public virtual tamu::IBase {};

class CPlainObject : public tamu::CObject {};

} // namespace

extern "C" TAMU_API void orxa_test_throw(int kind) {
    switch (kind) {
    case 0:
        throw orxa::common::COrxaError(tamu::str("decoding failed"));
    case 1:
        throw orxa::common::COrxaEOFError(tamu::str("CFLACSource::getNextAudioChunk()"));
    case 2:
        throw tamu::CFileNotFoundError();
    case 3: {
        tamu::P<CPlainObject> object = tamu::make<CPlainObject>();
        tamu::interfaceCast<INeverOffered>(object);
        break;
    }
    case 4:
        tamu::parseInt32("12abc");
        break;
    }
}
