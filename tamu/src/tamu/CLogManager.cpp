#include "tamu/CLogManager.h"

#include "tamu/CException.h"
#include "tamu/CGlobalObjFactory.h"
#include "tamu/IMutex.h"
#include "tamu/IMutexFactory.h"
#include "tamu/platformServices.h"

namespace tamu {

namespace {

bool isAllChannels(const P<IString>& channel) {
    return !channel || channel->isEmpty();
}

} // namespace

CLogManager::CLogManager() : m_lock(getMutexFactory()->createMutex()) {}

CLogManager::~CLogManager() {
    m_channels.forEach([](const String&, LogList*& list) { freeList(list); });
    m_channels.clear();
    freeList(m_allChannels);
}

void CLogManager::freeList(LogList* list) {
    while (list) {
        LogList* next = list->next;
        delete list;
        list = next;
    }
}

template <class Deliver>
void CLogManager::deliver(const P<IString>& channel, Deliver&& deliver) {
    if (!isAllChannels(channel)) {
        if (LogList** list = m_channels.get(String(channel))) {
            for (LogList* node = *list; node; node = node->next)
                deliver(*node->listener);
        }
    }
    for (LogList* node = m_allChannels; node; node = node->next)
        deliver(*node->listener);
}

void CLogManager::write(const P<IString>& channel, const P<IString>& text) {
    CMutexLock lock(*m_lock);
    deliver(channel, [&](ILog& listener) { listener.write(channel, text); });
}

void CLogManager::setLevel(int32_t level) {
    CMutexLock lock(*m_lock);
    m_level = level;
}

int32_t CLogManager::getLevel() {
    CMutexLock lock(*m_lock);
    return m_level;
}

void CLogManager::log(int32_t level, const P<IString>& channel, const P<IString>& message,
                      int32_t a, int32_t b) {
    CMutexLock lock(*m_lock);
    if (level < m_level)
        return;
    deliver(channel, [&](ILog& listener) { listener.log(level, channel, message, a, b); });
}

void CLogManager::logAtLevel0(const P<IString>& channel, const P<IString>& message) {
    log(0, channel, message, -1, -1);
}

void CLogManager::logAtLevel1(const P<IString>& channel, const P<IString>& message) {
    log(1, channel, message, -1, -1);
}

void CLogManager::logAtLevel2(const P<IString>& channel, const P<IString>& message) {
    log(2, channel, message, -1, -1);
}

void CLogManager::logAtLevel3(const P<IString>& channel, const P<IString>& message) {
    log(3, channel, message, -1, -1);
}

void CLogManager::logException(const P<IString>& channel, const CException& exception) {
    log(3, channel, exception.getMessage(), -1, -1);
}

void CLogManager::addListener(const P<IString>& channel, ILog* listener) {
    CMutexLock lock(*m_lock);
    LogList* node = new LogList{P<ILog>(listener), nullptr};
    if (isAllChannels(channel)) {
        node->next = m_allChannels;
        m_allChannels = node;
        return;
    }
    // A channel's first listener keeps its place; later ones queue up right behind it.
    if (LogList** list = m_channels.get(String(channel))) {
        node->next = (*list)->next;
        (*list)->next = node;
    } else {
        m_channels.put(String(channel), node);
    }
}

void CLogManager::removeListener(const P<IString>& channel, ILog* listener) {
    CMutexLock lock(*m_lock);
    const bool all = isAllChannels(channel);
    LogList** head = all ? &m_allChannels : m_channels.get(String(channel));
    if (!head)
        return;
    for (LogList** link = head; *link; link = &(*link)->next) {
        LogList* node = *link;
        if (node->listener.get() != listener)
            continue;
        *link = node->next;
        if (!all && !*head)
            m_channels.remove(String(channel));
        delete node;
        return;
    }
}

P<ILogManager> getLogManager() {
    static int key;
    return getGlobalObject<ILogManager>(&key, [] { return make<CLogManager>(); });
}

} // namespace tamu
