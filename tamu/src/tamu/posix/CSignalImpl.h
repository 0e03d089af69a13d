#pragma once

#include "tamu/CObject.h"
#include "tamu/ISignal.h"
#include "tamu/ISignalFactory.h"

#include <pthread.h>

namespace tamu::posix {

class CSignalFactory : public CObject, public virtual ISignalFactory {
public:
    P<ISignal> createSignal(bool manualReset, bool initiallySet) override;
};

// An event built from a mutex, a condition variable on the monotonic clock and a flag.
class CSignalImpl : public CObject, public virtual ISignal {
public:
    CSignalImpl(bool manualReset, bool initiallySet);
    ~CSignalImpl() override;

    void set() override;
    void reset() override;
    bool isSet() override;
    bool wait(uint32_t timeout) override;

private:
    pthread_mutex_t m_mutex;
    pthread_cond_t m_condition;
    bool m_manualReset;
    bool m_set;
};

} // namespace tamu::posix
