#include "tamu/str.h"

#include "tamu/CUTF32String.h"
#include "tamu/CUTF8String.h"
#include "tamu/CWCharString.h"

#include <cstring>

namespace tamu {

namespace {

// Length up to the first terminator: an array may hold a shorter text than its size.
template <class Unit>
int32_t measure(const Unit* text, int32_t maxUnits) {
    int32_t length = 0;
    while (length < maxUnits && text[length] != 0)
        ++length;
    return length;
}

} // namespace

P<IString> wrapUTF8Literal(const char* text, int32_t byteLength) {
    return adopt(
        new CUTF8String(text, measure(text, byteLength), StringStorage::reference, -1, true));
}

P<IString> wrapUTF16Literal(const char16_t* text, int32_t unitLength) {
    return adopt(
        new CWCharString(text, measure(text, unitLength) * 2, StringStorage::reference, -1, true));
}

P<IString> wrapUTF32Literal(const char32_t* text, int32_t unitLength) {
    return adopt(
        new CUTF32String(text, measure(text, unitLength) * 4, StringStorage::reference, -1, true));
}

P<IString> emptyString() {
    static CUTF8String* const empty = new CUTF8String("", 0, StringStorage::reference, 0, true);
    return P<IString>(empty);
}

} // namespace tamu
