#pragma once

#include "tamu/CObject.h"
#include "tamu/P.h"

#include <cstdint>

namespace tamu {

class IMutex;
class ISimpleThreadLocalStorage;
class ISimpleThreadLocalStorageFactory;
class IThreadManager;

// Hands out thread-local slot numbers and keeps one record of slot entries per thread. A
// thread reaches its own record through one operating-system slot, without locking; the lock
// guards only the list of records and the slot counter. A thread's record is dropped, its
// objects released, when the thread ends.
class CThreadLocalStorageManager : public CObject {
public:
    struct Entry {
        uint32_t value;
        IBase* object; // counted
    };
    struct Record {
        uint64_t threadId;
        int32_t count;
        Entry* entries;
        Record* next;
        CThreadLocalStorageManager* manager;
    };

    // Stands for the calling thread in removeThread.
    static constexpr uint64_t currentThread = ~uint64_t(0);

    // The operating-system slot comes from `slots`, made to report the threads that end.
    CThreadLocalStorageManager(ISimpleThreadLocalStorageFactory& slots, P<IMutex> lock,
                               P<IThreadManager> threadManager);
    CThreadLocalStorageManager(const CThreadLocalStorageManager&) = delete;
    CThreadLocalStorageManager& operator=(const CThreadLocalStorageManager&) = delete;
    ~CThreadLocalStorageManager() override;

    // Slot numbers start at 0 and are never handed out twice.
    int32_t allocateSlot();
    // The calling thread's record, made on first use. A record left by a finished thread with
    // the same identifier is dropped then, so a recycled identifier starts empty.
    Record* getRecord();

    uint32_t getValue(int32_t slot) const;
    void setValue(int32_t slot, uint32_t value);
    IBase* getObject(int32_t slot) const;
    void setObject(int32_t slot, IBase* object);
    // Empties the slot on every thread.
    void clearSlot(int32_t slot);
    // Drops the record of a thread that has ended (or of the calling thread).
    void removeThread(uint64_t threadId);

private:
    const Entry* findEntry(int32_t slot) const;
    Entry& getEntry(int32_t slot);
    Record* unlink(uint64_t threadId);
    void unlink(Record* record);
    // The operating system's report that a thread whose slot held `record` has ended.
    static void threadEnded(void* record);
    static void freeRecord(Record* record);

    P<ISimpleThreadLocalStorage> m_osSlot;
    P<IMutex> m_lock;
    P<IThreadManager> m_threadManager;
    Record* m_records = nullptr;
    int32_t m_nextSlot = 0;
};

// The process's manager, over the platform's thread-local storage, mutex and thread manager.
P<CThreadLocalStorageManager> getThreadLocalStorageManager();

} // namespace tamu
