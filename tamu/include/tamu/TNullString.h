#pragma once

#include "tamu/CCPString.h"
#include "tamu/CLatin1String.h"
#include "tamu/CUTF16String.h"
#include "tamu/CUTF32String.h"
#include "tamu/CUTF8String.h"
#include "tamu/CWCharString.h"

namespace tamu {

// The null string of a string class: no text, `isNull` true. One per class for the whole
// process, reached through instance(). Its data is an empty, zero-terminated text.
template <class Unit, class Class>
class TNullString final : public Class {
public:
    static P<IString> instance();
    bool isNull() const override { return true; }

private:
    TNullString();
};

using CNullWCharString = TNullString<char16_t, CWCharString>;
using CNullUTF16String = TNullString<void, CUTF16String>;
using CNullUTF8String = TNullString<char, CUTF8String>;
using CNullUTF32String = TNullString<char32_t, CUTF32String>;
using CNullLatin1String = TNullString<char, CLatin1String>;
using CNullCPString = TNullString<char, CCPString>;

} // namespace tamu
