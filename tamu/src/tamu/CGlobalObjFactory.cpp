#include "tamu/CGlobalObjFactory.h"

#include "tamu/IMutex.h"
#include "tamu/IMutexFactory.h"
#include "tamu/debugBreak.h"
#include "tamu/platform.h"

#include <atomic>
#include <chrono>
#include <cstdint>
#include <mutex>
#include <thread>

namespace tamu {

namespace {

constexpr uint64_t constructedValue = 0x73DF50893D92A405ull;
constexpr uint64_t destroyedValue = 0x84E0619A4EA3B516ull;

// Plain, constant-initialised data: it stays readable after the factory is gone, which is how
// a late user is caught instead of reading a destroyed object.
struct StaticRecord {
    std::atomic<CGlobalObjFactory*> instance{nullptr};
    std::atomic<uint64_t> constructedMark{0};
    std::atomic<uint64_t> destroyedMark{0};
};

constinit StaticRecord record;
constinit std::mutex processLock;
constinit bool created = false;

// Its destructor is the module-unload clean-up; it is registered when the factory is made.
struct UnloadCleanup {
    ~UnloadCleanup() {
        record.constructedMark.store(0, std::memory_order_release);
        record.destroyedMark.store(destroyedValue, std::memory_order_release);
        if (CGlobalObjFactory* factory = record.instance.exchange(nullptr))
            factory->release();
    }
};

void createProcessFactory() {
    record.destroyedMark.store(destroyedValue, std::memory_order_release);
    {
        std::lock_guard<std::mutex> guard(processLock);
        if (!created) {
            created = true;
            record.instance.store(new CGlobalObjFactory(), std::memory_order_release);
            record.constructedMark.store(constructedValue, std::memory_order_release);
        }
    }
    static UnloadCleanup cleanup;
}

} // namespace

P<CGlobalObjFactory> CGlobalObjFactory::instance() {
    static const bool once = (createProcessFactory(), true);
    (void)once;
    while (record.constructedMark.load(std::memory_order_acquire) != constructedValue) {
        if (record.destroyedMark.load(std::memory_order_acquire) == destroyedValue)
            debugBreak("tamu: the global object factory was used while it was being built or "
                       "after it was destroyed");
        std::this_thread::sleep_for(std::chrono::milliseconds(1));
    }
    return P<CGlobalObjFactory>(record.instance.load(std::memory_order_acquire));
}

bool CGlobalObjFactory::isAlive() {
    return record.constructedMark.load(std::memory_order_acquire) == constructedValue;
}

CGlobalObjFactory::CGlobalObjFactory()
    : m_mutexFactory(platform::createMutexFactory()), m_creationLock(m_mutexFactory->createMutex()),
      m_mapLock(m_mutexFactory->createMutex()) {}

CGlobalObjFactory::~CGlobalObjFactory() {
    while (!m_creationOrder.empty()) {
        IPtrHolder* holder = m_creationOrder.back();
        m_creationOrder.pop_back();
        holder->destroy();
    }
    m_holders.clear();
    m_creationLock = nullptr;
    m_mapLock = nullptr;
    m_mutexFactory = nullptr;
}

CGlobalObjFactory::IPtrHolder* CGlobalObjFactory::find(const void* key) {
    CMutexLock guard(*m_mapLock);
    auto found = m_holders.find(key);
    return found == m_holders.end() ? nullptr : found->second;
}

void CGlobalObjFactory::add(const void* key, IPtrHolder* holder) {
    CMutexLock guard(*m_mapLock);
    m_holders.emplace(key, holder);
    m_creationOrder.push_back(holder);
}

CGlobalObjFactory::CCreationGuard::CCreationGuard(CGlobalObjFactory& factory) : m_factory(factory) {
    m_factory.m_creationLock->lock();
}

CGlobalObjFactory::CCreationGuard::~CCreationGuard() {
    m_factory.m_creationLock->unlock();
}

} // namespace tamu
