#include "tamu/CObject.h"
#include "tamu/interfaceCast.h"

#include <gtest/gtest.h>

#include <thread>
#include <vector>

using namespace tamu;

namespace {

class IFoo : public virtual IBase {};
class IBar : public virtual IBase {};
class IBaz : public virtual IFoo, public virtual IBar {};
class IUnrelated : public virtual IBase {};

class CCounted : public CObject, public virtual IBaz {
public:
    explicit CCounted(int* destroyed) : m_destroyed(destroyed) {}
    ~CCounted() override { ++*m_destroyed; }

private:
    int* m_destroyed;
};

// A destructor that hands `this` around in a smart pointer, as listeners notified of an
// object's death do.
class CSelfReferencingOnDeath : public CCounted {
public:
    CSelfReferencingOnDeath(int* destroyed, int32_t* countSeen)
        : CCounted(destroyed), m_countSeen(countSeen) {}
    ~CSelfReferencingOnDeath() override {
        P<CSelfReferencingOnDeath> self(this);
        *m_countSeen = getRefCount();
    }

private:
    int32_t* m_countSeen;
};

// Answers for IBar through a delegate and for IUnrelated through its extras list.
class CDelegating : public CObject, public virtual IFoo {
public:
    CDelegating(IBase* delegate, IBase* extra) : m_delegate(delegate), m_node{extra, nullptr} {}
    bool getCastDelegates(const std::type_info& type, IBase** delegate,
                          CastDelegateNode** extras) const override {
        if (type == typeid(IBar))
            *delegate = m_delegate;
        *extras = const_cast<CastDelegateNode*>(&m_node);
        return true;
    }

private:
    IBase* m_delegate;
    CastDelegateNode m_node;
};

class CUnrelated : public CObject, public virtual IUnrelated {};

} // namespace

TEST(ObjectLifetime, CopiesSharingAndSelfAssignmentKeepTheCountAndOneDeath) {
    int destroyed = 0;
    {
        P<CCounted> p = adopt(new CCounted(&destroyed));
        // Self-assignment of the only reference must not release it first.
        P<CCounted>& alias = p;
        p = alias;
        EXPECT_EQ(p->getRefCount(), 1);
        P<IFoo> copy = p;
        P<IFoo> moved = std::move(copy);
        P<CCounted> shared(p.get());
        EXPECT_EQ(p->getRefCount(), 3);
    }
    EXPECT_EQ(destroyed, 1);
}

TEST(ObjectLifetime, DestroyGuardStopsASecondDestruction) {
    int destroyed = 0;
    int32_t countSeen = 0;
    { P<CSelfReferencingOnDeath> p = make<CSelfReferencingOnDeath>(&destroyed, &countSeen); }
    EXPECT_EQ(destroyed, 1);
    EXPECT_EQ(countSeen, CReferencable::destroyingCount + 1);
}

TEST(ObjectLifetime, ConcurrentReferencesFromManyThreadsBalance) {
    int destroyed = 0;
    P<CCounted> p = make<CCounted>(&destroyed);
    std::vector<std::thread> threads;
    for (int t = 0; t < 4; ++t) {
        threads.emplace_back([&p] {
            for (int i = 0; i < 100000; ++i) {
                P<IFoo> copy = p;
                P<IBar> other = p;
            }
        });
    }
    for (auto& t : threads)
        t.join();
    EXPECT_EQ(p->getRefCount(), 1);
    EXPECT_EQ(destroyed, 0);
}

TEST(ObjectLifetime, ConcurrentReleaseDestroysExactlyOnce) {
    for (int round = 0; round < 200; ++round) {
        int destroyed = 0;
        CCounted* raw = new CCounted(&destroyed);
        for (int i = 0; i < 3; ++i)
            raw->addRef();
        std::vector<std::thread> threads;
        for (int t = 0; t < 4; ++t)
            threads.emplace_back([raw] { raw->release(); });
        for (auto& t : threads)
            t.join();
        ASSERT_EQ(destroyed, 1);
    }
}

TEST(InterfaceCast, CrossCastsThroughVirtualBasesReachOneCount) {
    int destroyed = 0;
    P<CCounted> p = make<CCounted>(&destroyed);
    IBase* base = static_cast<IFoo*>(p.get());
    IBar* bar = interfaceCast<IBar>(base, true);
    ASSERT_NE(bar, nullptr);
    IBaz* baz = interfaceCast<IBaz>(static_cast<IBase*>(bar), true);
    ASSERT_NE(baz, nullptr);
    // Every face shares the one IBase and so the one count.
    EXPECT_EQ(static_cast<IBase*>(baz), static_cast<IBase*>(bar));
    EXPECT_EQ(interfaceCast<IUnrelated>(base, true), nullptr);
}

TEST(InterfaceCast, DelegatesAndExtrasAnswerForTheObject) {
    int destroyed = 0;
    P<CCounted> delegate = make<CCounted>(&destroyed);
    P<CUnrelated> extra = make<CUnrelated>();
    P<CDelegating> object = make<CDelegating>(static_cast<IFoo*>(delegate.get()),
                                              static_cast<IUnrelated*>(extra.get()));
    IBase* base = static_cast<IFoo*>(object.get());

    EXPECT_EQ(interfaceCast<IBar>(base, true), static_cast<IBar*>(delegate.get()));
    // Without following the delegate the object answers for itself, and lacks IBar.
    EXPECT_EQ(interfaceCast<IBar>(base, false), nullptr);
    EXPECT_EQ(interfaceCast<IUnrelated>(base, true), static_cast<IUnrelated*>(extra.get()));
}
