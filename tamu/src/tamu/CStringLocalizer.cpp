#include "tamu/CStringLocalizer.h"

#include "tamu/CGlobalObjFactory.h"
#include "tamu/CValueList.h"
#include "tamu/IMutex.h"
#include "tamu/IMutexFactory.h"
#include "tamu/IString.h"
#include "tamu/platformServices.h"

namespace tamu {

CStringLocalizer::CStringLocalizer()
    : m_texts(make<CValueList>(true)), m_lock(getMutexFactory()->createMutex()) {}

CStringLocalizer::~CStringLocalizer() = default;

void CStringLocalizer::clear() {
    CMutexLock lock(*m_lock);
    m_texts->clear();
}

void CStringLocalizer::setFallback(IStringLocalizer* fallback) {
    P<IStringLocalizer> taken(fallback);
    CMutexLock lock(*m_lock);
    m_fallback = taken;
}

void CStringLocalizer::setText(StringArg key, const P<IString>& text) {
    CMutexLock lock(*m_lock);
    if (text)
        m_texts->set(key, text);
    else
        m_texts->remove(key);
}

P<IString> CStringLocalizer::localize(StringArg key, const P<IString>& defaultText) const {
    CMutexLock lock(*m_lock);
    P<IString> text = m_texts->getString(key, nullptr);
    if (text && !text->isNull())
        return text;
    if (m_fallback)
        return m_fallback->localize(key, defaultText);
    return defaultText;
}

P<IStringLocalizer> getStringLocalizer() {
    static int key;
    return getGlobalObject<IStringLocalizer>(&key, [] { return make<CStringLocalizer>(); });
}

} // namespace tamu
