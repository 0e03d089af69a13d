#pragma once

#include "tamu/IBase.h"
#include "tamu/P.h"
#include "tamu/StringArg.h"

namespace tamu {

class IString;

// Localised texts by key. A lookup that finds no text of its own asks the fallback localizer,
// and without one answers the default text: a lookup never fails. Keys are case-sensitive
// ("tamu.CFileNotFoundError.Desc"). Every operation is safe from any thread.
class TAMU_API IStringLocalizer : public virtual IBase {
public:
    // Removes every text (the fallback stays).
    virtual void clear() = 0;
    // Null removes the fallback. The chain of fallbacks must not lead back to this localizer.
    virtual void setFallback(IStringLocalizer* fallback) = 0;
    // Replaces an earlier text for the key; a null text removes it.
    virtual void setText(StringArg key, const P<IString>& text) = 0;
    virtual P<IString> localize(StringArg key, const P<IString>& defaultText) const = 0;
};

// The process's localizer, created empty on first use and kept until the library is unloaded.
P<IStringLocalizer> getStringLocalizer();

} // namespace tamu
