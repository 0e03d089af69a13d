#include "tamu/CThreadLocalStorageManager.h"

#include "tamu/CGlobalObjFactory.h"
#include "tamu/IMutex.h"
#include "tamu/IMutexFactory.h"
#include "tamu/ISimpleThreadLocalStorage.h"
#include "tamu/ISimpleThreadLocalStorageFactory.h"
#include "tamu/IThreadManager.h"
#include "tamu/platformErrors.h"
#include "tamu/platformServices.h"

#include <algorithm>
#include <mutex>
#include <vector>

namespace tamu {

struct CThreadLocalStorageManager::Presence {
    std::recursive_mutex lock;
    CThreadLocalStorageManager* manager;
};

namespace {

using Presence = CThreadLocalStorageManager::Presence;

// Ends the records of the calling thread with the thread: each manager it wrote to drops the
// thread's record and releases the objects in it. Without it a process that starts many short
// threads keeps every record until the manager goes.
class ThreadEnd {
public:
    ThreadEnd() = default;
    ThreadEnd(const ThreadEnd&) = delete;
    ThreadEnd& operator=(const ThreadEnd&) = delete;
    ~ThreadEnd();

    void watch(const std::shared_ptr<Presence>& presence) {
        for (const std::shared_ptr<Presence>& known : m_managers) {
            if (known == presence)
                return;
        }
        m_managers.push_back(presence);
    }

private:
    std::vector<std::shared_ptr<Presence>> m_managers;
};

// Trivially destructible, so it can still be read after the thread's ThreadEnd is gone: a
// record made while the thread ends stays with its manager.
thread_local bool t_ending = false;
thread_local ThreadEnd t_threadEnd;

ThreadEnd::~ThreadEnd() {
    t_ending = true;
    for (const std::shared_ptr<Presence>& presence : m_managers) {
        // Recursive: releasing an object of the record may release the manager itself.
        std::lock_guard<std::recursive_mutex> guard(presence->lock);
        if (presence->manager)
            presence->manager->removeThread(CThreadLocalStorageManager::currentThread);
    }
}

} // namespace

CThreadLocalStorageManager::CThreadLocalStorageManager(P<ISimpleThreadLocalStorage> osSlot,
                                                       P<IMutex> lock,
                                                       P<IThreadManager> threadManager)
    : m_osSlot(std::move(osSlot)), m_lock(std::move(lock)),
      m_threadManager(std::move(threadManager)), m_presence(std::make_shared<Presence>()) {
    m_presence->manager = this;
}

CThreadLocalStorageManager::~CThreadLocalStorageManager() {
    {
        std::lock_guard<std::recursive_mutex> guard(m_presence->lock);
        m_presence->manager = nullptr;
    }
    m_osSlot->setValue(nullptr);
    while (Record* record = m_records) {
        m_records = record->next;
        freeRecord(record);
    }
}

int32_t CThreadLocalStorageManager::allocateSlot() {
    CMutexLock guard(*m_lock);
    return m_nextSlot++;
}

CThreadLocalStorageManager::Record* CThreadLocalStorageManager::getRecord() {
    if (auto* record = static_cast<Record*>(m_osSlot->getValue()))
        return record;
    auto* record = new Record{m_threadManager->getCurrentThreadId(), 0, nullptr, nullptr};
    Record* stale;
    {
        CMutexLock guard(*m_lock);
        stale = unlink(record->threadId);
        record->next = m_records;
        m_records = record;
    }
    m_osSlot->setValue(record);
    if (!t_ending)
        t_threadEnd.watch(m_presence);
    // Outside the lock: releasing an object may run code that uses thread-local storage.
    if (stale)
        freeRecord(stale);
    return record;
}

const CThreadLocalStorageManager::Entry* CThreadLocalStorageManager::findEntry(int32_t slot) const {
    if (slot < 0)
        throwArgumentError("CThreadLocalStorageManager::getValue");
    auto* record = static_cast<Record*>(m_osSlot->getValue());
    if (!record || slot >= record->count)
        return nullptr;
    return &record->entries[slot];
}

CThreadLocalStorageManager::Entry& CThreadLocalStorageManager::getEntry(int32_t slot) {
    if (slot < 0)
        throwArgumentError("CThreadLocalStorageManager::setValue");
    Record* record = getRecord();
    if (slot >= record->count) {
        auto* entries = new Entry[slot + 1]();
        // clearSlot walks other threads' entries under the lock, so the array is swapped
        // under it too.
        CMutexLock guard(*m_lock);
        std::copy(record->entries, record->entries + record->count, entries);
        delete[] std::exchange(record->entries, entries);
        record->count = slot + 1;
    }
    return record->entries[slot];
}

uint32_t CThreadLocalStorageManager::getValue(int32_t slot) const {
    const Entry* entry = findEntry(slot);
    return entry ? entry->value : 0;
}

void CThreadLocalStorageManager::setValue(int32_t slot, uint32_t value) {
    getEntry(slot).value = value;
}

IBase* CThreadLocalStorageManager::getObject(int32_t slot) const {
    const Entry* entry = findEntry(slot);
    return entry ? entry->object : nullptr;
}

void CThreadLocalStorageManager::setObject(int32_t slot, IBase* object) {
    Entry& entry = getEntry(slot);
    if (object)
        object->addRef();
    IBase* previous = std::exchange(entry.object, object);
    if (previous)
        previous->release();
}

void CThreadLocalStorageManager::clearSlot(int32_t slot) {
    if (slot < 0)
        throwArgumentError("CThreadLocalStorageManager::clearSlot");
    CMutexLock guard(*m_lock);
    for (Record* record = m_records; record; record = record->next) {
        if (slot < record->count) {
            Entry& entry = record->entries[slot];
            entry.value = 0;
            if (IBase* object = std::exchange(entry.object, nullptr))
                object->release();
        }
    }
}

void CThreadLocalStorageManager::removeThread(uint64_t threadId) {
    const uint64_t self = m_threadManager->getCurrentThreadId();
    if (threadId == currentThread)
        threadId = self;
    Record* record;
    {
        CMutexLock guard(*m_lock);
        record = unlink(threadId);
    }
    if (threadId == self && record == m_osSlot->getValue())
        m_osSlot->setValue(nullptr);
    if (record)
        freeRecord(record);
}

CThreadLocalStorageManager::Record* CThreadLocalStorageManager::unlink(uint64_t threadId) {
    for (Record** link = &m_records; *link; link = &(*link)->next) {
        if ((*link)->threadId == threadId) {
            Record* found = *link;
            *link = found->next;
            return found;
        }
    }
    return nullptr;
}

void CThreadLocalStorageManager::freeRecord(Record* record) {
    for (int32_t i = 0; i < record->count; ++i) {
        if (IBase* object = record->entries[i].object)
            object->release();
    }
    delete[] record->entries;
    delete record;
}

P<CThreadLocalStorageManager> getThreadLocalStorageManager() {
    static int key;
    return getGlobalObject<CThreadLocalStorageManager>(&key, [] {
        return make<CThreadLocalStorageManager>(getSimpleThreadLocalStorageFactory()->create(),
                                                getMutexFactory()->createMutex(),
                                                getThreadManager());
    });
}

} // namespace tamu
