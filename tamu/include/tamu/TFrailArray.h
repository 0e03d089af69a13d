#pragma once

#include "tamu/P.h"
#include "tamu/PFrail.h"
#include "tamu/TSimpleArray.h"

namespace tamu {

class CFrailArrayTemplateBase : public CObject {};

// A listener list of uncounted entries: it never keeps a listener alive.
template <class T>
class TFrailArray : public CFrailArrayTemplateBase {
public:
    TFrailArray() : m_entries(make<TCleaningSimpleArray<PFrail<IBase>>>()) {}

    void add(const PFrail<IBase>& entry) { m_entries->add(entry); }
    // Removes the first entry pointing at the same object.
    bool remove(const PFrail<IBase>& entry) { return m_entries->removeFirst(entry); }

    int32_t getCount() const { return m_entries->getCount(); }
    IBase* getAt(int32_t index) const { return m_entries->get(index).ptr; }
    T* getListenerAt(int32_t index) const { return dynamic_cast<T*>(getAt(index)); }

private:
    P<TCleaningSimpleArray<PFrail<IBase>>> m_entries;
};

} // namespace tamu
