#include "tamu/charEncodings.h"

#include "CCPCharEncoding.h"
#include "charEncodingInstances.h"
#include "unicodeEncodings.h"

namespace tamu {

namespace {

// The encodings are never destroyed: strings held by other static objects may still use them
// while the process exits, whatever the order of static destruction.
template <class T>
ICharEncoding* immortal() {
    static T* const instance = new T();
    return instance;
}

} // namespace

ICharEncoding* utf8EncodingInstance() {
    return immortal<CUTF8CharEncoding>();
}

ICharEncoding* utf16EncodingInstance() {
    return immortal<CUTF16CharEncoding>();
}

ICharEncoding* utf32EncodingInstance() {
    return immortal<CUTF32CharEncoding>();
}

ICharEncoding* latin1EncodingInstance() {
    return immortal<CLatin1CharEncoding>();
}

ICharEncoding* cpEncodingInstance() {
    return immortal<CCPCharEncoding>();
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
