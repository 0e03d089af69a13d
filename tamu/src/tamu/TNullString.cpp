#include "tamu/TNullString.h"

#include "tamu/CCPString.h"
#include "tamu/CLatin1String.h"
#include "tamu/CUTF16String.h"
#include "tamu/CUTF32String.h"
#include "tamu/CUTF8String.h"
#include "tamu/CWCharString.h"

namespace tamu {

namespace {
alignas(8) const uint8_t noText[8] = {};
} // namespace

template <class Unit, class Class>
TNullString<Unit, Class>::TNullString()
    : Class(reinterpret_cast<const Unit*>(noText), 0, StringStorage::reference, 0, true) {}

template <class Unit, class Class>
P<IString> TNullString<Unit, Class>::instance() {
    // Never destroyed: strings held by static objects may still point here while the process
    // exits.
    static TNullString* const nullString = new TNullString();
    return P<IString>(nullString);
}

template class TNullString<char16_t, CWCharString>;
template class TNullString<void, CUTF16String>;
template class TNullString<char, CUTF8String>;
template class TNullString<char32_t, CUTF32String>;
template class TNullString<char, CLatin1String>;
template class TNullString<char, CCPString>;

} // namespace tamu
