// A module built from the plug-in's own objects with its visibility settings. Its test entries
// reach the module's own copy of the foundation library from the far side of dlopen: one throws
// the exception that `kind` names, the way a host catches the plug-in's errors; the others make
// the module's foundation code write to its log, which the plug-in object bridges to the host.
#include "orxa/common/COrxaEOFError.h"
#include "orxa/common/COrxaError.h"
#include "tamu/CMemoryManager.h"
#include "tamu/CObjectError.h"
#include "tamu/CURIError.h"
#include "tamu/ILogManager.h"
#include "tamu/IMemoryBlock.h"
#include "tamu/interfaceCast.h"
#include "tamu/str.h"
#include "tamu/stringConv.h"
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

extern "C" TAMU_API void orxa_test_log(int level, const char* message) {
    tamu::getLogManager()->log(level, tamu::str("orxa_test"), tamu::stringConv::fromUTF8(message),
                               -1, -1);
}

// One 100-byte block cached and cleared: the memory manager reports 128 bytes in one block.
extern "C" TAMU_API void orxa_test_clearMemoryCache() {
    tamu::P<tamu::CMemoryManager> memory = tamu::make<tamu::CMemoryManager>(10);
    memory->allocate(100);
    memory->clear();
}
