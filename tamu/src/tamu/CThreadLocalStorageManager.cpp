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
#include <unordered_set>
#include <vector>

namespace tamu {

namespace {

// The records of every living manager. A thread's end and its manager's destruction can meet
// on two threads; under this lock the thread's end learns whether the record it was handed
// still exists. Taken before a manager's own lock. Never destroyed: threads may still end while
// the process's static objects go.
std::mutex& registryLock() {
    static auto* lock = new std::mutex;
    return *lock;
}

std::unordered_set<const void*>& liveRecords() {
    static auto* records = new std::unordered_set<const void*>;
    return *records;
}

} // namespace

CThreadLocalStorageManager::CThreadLocalStorageManager(ISimpleThreadLocalStorageFactory& slots,
                                                       P<IMutex> lock,
                                                       P<IThreadManager> threadManager)
    : m_osSlot(slots.create(&CThreadLocalStorageManager::threadEnded)), m_lock(std::move(lock)),
      m_threadManager(std::move(threadManager)) {}

CThreadLocalStorageManager::~CThreadLocalStorageManager() {
    {
        std::lock_guard<std::mutex> registry(registryLock());
        for (Record* record = m_records; record; record = record->next)
            liveRecords().erase(record);
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
    auto* record = new Record{m_threadManager->getCurrentThreadId(), 0, nullptr, nullptr, this};
    Record* stale;
    {
        std::lock_guard<std::mutex> registry(registryLock());
        {
            CMutexLock guard(*m_lock);
            stale = unlink(record->threadId);
            record->next = m_records;
            m_records = record;
        }
        if (stale)
            liveRecords().erase(stale);
        liveRecords().insert(record);
    }
    m_osSlot->setValue(record);
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
    std::vector<IBase*> released;
    {
        CMutexLock guard(*m_lock);
        for (Record* record = m_records; record; record = record->next) {
            if (slot < record->count) {
                Entry& entry = record->entries[slot];
                entry.value = 0;
                if (IBase* object = std::exchange(entry.object, nullptr))
                    released.push_back(object);
            }
        }
    }
    // Outside the lock, which a thread's end takes after the registry's.
    for (IBase* object : released)
        object->release();
}

void CThreadLocalStorageManager::removeThread(uint64_t threadId) {
    const uint64_t self = m_threadManager->getCurrentThreadId();
    if (threadId == currentThread)
        threadId = self;
    Record* record;
    {
        std::lock_guard<std::mutex> registry(registryLock());
        {
            CMutexLock guard(*m_lock);
            record = unlink(threadId);
        }
        if (record)
            liveRecords().erase(record);
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

void CThreadLocalStorageManager::unlink(Record* record) {
    for (Record** link = &m_records; *link; link = &(*link)->next) {
        if (*link == record) {
            *link = record->next;
            return;
        }
    }
}

void CThreadLocalStorageManager::threadEnded(void* value) {
    auto* record = static_cast<Record*>(value);
    {
        std::lock_guard<std::mutex> registry(registryLock());
        // Gone with its manager, or dropped by removeThread meanwhile.
        if (liveRecords().erase(record) == 0)
            return;
        CThreadLocalStorageManager& manager = *record->manager;
        CMutexLock guard(*manager.m_lock);
        manager.unlink(record);
    }
    // The record is nobody's now; what its objects' destructors do cannot reach it.
    freeRecord(record);
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
        return make<CThreadLocalStorageManager>(*getSimpleThreadLocalStorageFactory(),
                                                getMutexFactory()->createMutex(),
                                                getThreadManager());
    });
}

} // namespace tamu
