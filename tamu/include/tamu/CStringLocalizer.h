#pragma once

#include "tamu/CObject.h"
#include "tamu/IStringLocalizer.h"

namespace tamu {

class CValueList;
class IMutex;

// A table of texts. Besides the process's one (getStringLocalizer), localizers of one's own
// serve as fallbacks, one language behind another.
class CStringLocalizer : public CObject, public virtual IStringLocalizer {
public:
    CStringLocalizer();
    CStringLocalizer(const CStringLocalizer&) = delete;
    CStringLocalizer& operator=(const CStringLocalizer&) = delete;
    ~CStringLocalizer() override;

    void clear() override;
    void setFallback(IStringLocalizer* fallback) override;
    void setText(StringArg key, const P<IString>& text) override;
    // The fallback is asked with this localizer's lock held.
    P<IString> localize(StringArg key, const P<IString>& defaultText) const override;

private:
    P<CValueList> m_texts;
    P<IStringLocalizer> m_fallback;
    P<IMutex> m_lock;
};

} // namespace tamu
