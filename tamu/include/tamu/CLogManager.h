#pragma once

#include "tamu/CObject.h"
#include "tamu/ILogManager.h"
#include "tamu/String.h"
#include "tamu/TSimpleHashTable.h"

namespace tamu {

class IMutex;

// Listeners are called with the manager's lock held, so no listener is ever entered by two
// threads at once through the same manager. An exception from a listener reaches the writer;
// the listeners after it miss that entry. A listener may log again from inside a call (the lock
// is re-entrant) but must not remove listeners from the list that is calling it.
class CLogManager : public CObject, public virtual ILogManager {
public:
    CLogManager();
    CLogManager(const CLogManager&) = delete;
    CLogManager& operator=(const CLogManager&) = delete;
    ~CLogManager() override;

    void write(const P<IString>& channel, const P<IString>& text) override;
    void setLevel(int32_t level) override;
    int32_t getLevel() override;
    void log(int32_t level, const P<IString>& channel, const P<IString>& message, int32_t a,
             int32_t b) override;
    void logAtLevel0(const P<IString>& channel, const P<IString>& message) override;
    void logAtLevel1(const P<IString>& channel, const P<IString>& message) override;
    void logAtLevel2(const P<IString>& channel, const P<IString>& message) override;
    void logAtLevel3(const P<IString>& channel, const P<IString>& message) override;
    void logException(const P<IString>& channel, const CException& exception) override;

    void addListener(const P<IString>& channel, ILog* listener) override;
    void removeListener(const P<IString>& channel, ILog* listener) override;

private:
    // One node of a listener list; a channel's table entry is its first node.
    struct LogList {
        P<ILog> listener;
        LogList* next;
    };

    static void freeList(LogList* list);
    template <class Deliver>
    void deliver(const P<IString>& channel, Deliver&& deliver);

    P<IMutex> m_lock;
    TSimpleHashTable<String, LogList*> m_channels;
    LogList* m_allChannels = nullptr;
    int32_t m_level = 1;
};

} // namespace tamu
