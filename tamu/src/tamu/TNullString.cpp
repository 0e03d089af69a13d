#include "tamu/TNullString.h"

#include "tamu/CCPString.h"
#include "tamu/CGlobalObjFactory.h"
#include "tamu/CLatin1String.h"
#include "tamu/CUTF16String.h"
#include "tamu/CUTF32String.h"
#include "tamu/CUTF8String.h"
#include "tamu/CWCharString.h"

#include <atomic>

namespace tamu {

namespace {
alignas(8) const uint8_t noText[8] = {};
} // namespace

template <class Unit, class Class>
TNullString<Unit, Class>::TNullString()
    : Class(reinterpret_cast<const Unit*>(noText), 0, StringStorage::reference, 0, true) {}

template <class Unit, class Class>
P<IString> TNullString<Unit, Class>::instance() {
    // A process-wide service of the global object factory; strings that still point here when
    // the factory goes hold references of their own.
    static std::atomic<TNullString*> slot{nullptr};
    return P<IString>(
        borrowGlobalObject<TNullString>(slot, [] { return adopt(new TNullString()); }));
}

template class TNullString<char16_t, CWCharString>;
template class TNullString<void, CUTF16String>;
template class TNullString<char, CUTF8String>;
template class TNullString<char32_t, CUTF32String>;
template class TNullString<char, CLatin1String>;
template class TNullString<char, CCPString>;

} // namespace tamu
