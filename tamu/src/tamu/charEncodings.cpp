#include "tamu/charEncodings.h"

#include "CCPCharEncoding.h"
#include "charEncodingInstances.h"
#include "tamu/CGlobalObjFactory.h"
#include "unicodeEncodings.h"

#include <atomic>

namespace tamu {

namespace {

// Each encoding is a process-wide service of the global object factory, destroyed with it when
// the library is unloaded. Strings hold counted references to their encoding, so a string that
// outlives the factory keeps its encoding alive.
template <class T>
ICharEncoding* processEncoding() {
    static std::atomic<ICharEncoding*> slot{nullptr};
    return borrowGlobalObject<ICharEncoding>(slot, [] { return P<ICharEncoding>(make<T>()); });
}

} // namespace

ICharEncoding* utf8EncodingInstance() {
    return processEncoding<CUTF8CharEncoding>();
}

ICharEncoding* utf16EncodingInstance() {
    return processEncoding<CUTF16CharEncoding>();
}

ICharEncoding* utf32EncodingInstance() {
    return processEncoding<CUTF32CharEncoding>();
}

ICharEncoding* latin1EncodingInstance() {
    return processEncoding<CLatin1CharEncoding>();
}

ICharEncoding* cpEncodingInstance() {
    return processEncoding<CCPCharEncoding>();
}

P<ICharEncoding> getUTF8Encoding() {
    return P<ICharEncoding>(utf8EncodingInstance());
}

P<ICharEncoding> getUTF16Encoding() {
    return P<ICharEncoding>(utf16EncodingInstance());
}

P<ICharEncoding> getUTF32Encoding() {
    return P<ICharEncoding>(utf32EncodingInstance());
}

P<ICharEncoding> getLatin1Encoding() {
    return P<ICharEncoding>(latin1EncodingInstance());
}

P<ICharEncoding> getCPEncoding() {
    return P<ICharEncoding>(cpEncodingInstance());
}

} // namespace tamu
