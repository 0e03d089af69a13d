#include "tamu/CObject.h"
#include "tamu/PFrail.h"
#include "tamu/interfaceCast.h"

#include <gtest/gtest.h>

#include <thread>
#include <vector>

using namespace tamu;

namespace {

class IFoo : public virtual IBase {
public:
    virtual int foo() const = 0;
};
class IBar : public virtual IBase {
public:
    virtual int bar() const = 0;
};
class IBaz : public virtual IFoo, public virtual IBar {};
class IUnrelated : public virtual IBase {
public:
    virtual void nothing() = 0;
};

class CCounted : public CObject, public virtual IBaz {
public:
    explicit CCounted(int* destroyed) : m_destroyed(destroyed) {}
    ~CCounted() override { ++*m_destroyed; }
    int foo() const override { return 1; }
    int bar() const override { return 2; }

private:
    int* m_destroyed;
};

// A destructor that hands `this` around in a smart pointer, as listeners notified of an
// object's death do.
class CSelfReferencingOnDeath : public CObject {
public:
    explicit CSelfReferencingOnDeath(int* destroyed, int32_t* countSeen)
        : m_destroyed(destroyed), m_countSeen(countSeen) {}
    ~CSelfReferencingOnDeath() override {
        {
            P<CSelfReferencingOnDeath> self(this);
            *m_countSeen = getRefCount();
        }
        ++*m_destroyed;
    }

private:
    int* m_destroyed;
    int32_t* m_countSeen;
};

class CVetoing : public CObject, public virtual IFoo {
public:
    int foo() const override { return 3; }
    bool getCastDelegates(const std::type_info&, IBase**, CastDelegateNode**) const override {
        return false;
    }
};

// Answers for IBar through a delegate and for IUnrelated through its extras list.
class CDelegating : public CObject, public virtual IFoo {
public:
    CDelegating(IBase* delegate, IBase* extra) : m_delegate(delegate), m_node{extra, nullptr} {}
    int foo() const override { return 4; }
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

class CUnrelated : public CObject, public virtual IUnrelated {
public:
    void nothing() override {}
};

} // namespace

TEST(ObjectLifetime, CopiesSharingAndSelfAssignmentKeepTheCountAndOneDeath) {
    int destroyed = 0;
    {
        P<CCounted> p = adopt(new CCounted(&destroyed));
        EXPECT_EQ(p->getRefCount(), 1);
        // Self-assignment of the only reference must not release it first.
        P<CCounted>& alias = p;
        p = alias;
        EXPECT_EQ(p->getRefCount(), 1);
        P<IFoo> copy = p;
        EXPECT_EQ(p->getRefCount(), 2);
        P<IFoo> moved = std::move(copy);
        EXPECT_TRUE(copy.isNull());
        EXPECT_EQ(p->getRefCount(), 2);
        {
            P<CCounted> shared(p.get());
            EXPECT_EQ(p->getRefCount(), 3);
        }
        EXPECT_EQ(p->getRefCount(), 2);
        EXPECT_EQ(destroyed, 0);
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
    p.reset();
    EXPECT_EQ(destroyed, 1);
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
    EXPECT_EQ(bar->bar(), 2);
    IBaz* baz = interfaceCast<IBaz>(static_cast<IBase*>(bar), true);
    ASSERT_NE(baz, nullptr);
    // Every face shares the one IBase and so the one count.
    EXPECT_EQ(static_cast<IBase*>(baz), static_cast<IBase*>(bar));
    P<IBar> held = interfaceCast<IBar>(p);
    EXPECT_EQ(p->getRefCount(), 2);
    EXPECT_EQ(interfaceCast<IUnrelated>(base, true), nullptr);
}

TEST(InterfaceCast, NullVetoesAndTheCheckedForm) {
    EXPECT_EQ(interfaceCast<IFoo>(static_cast<IBase*>(nullptr), true), nullptr);
    EXPECT_EQ(interfaceCast<IFoo>(static_cast<IBase*>(nullptr)), nullptr);
    EXPECT_TRUE(interfaceCast<IFoo>(P<IBar>()).isNull());

    P<CVetoing> vetoing = make<CVetoing>();
    EXPECT_EQ(interfaceCast<IFoo>(static_cast<IBase*>(vetoing.get()), true), nullptr);
    EXPECT_TRUE(tryInterfaceCast<IFoo>(vetoing).isNull());

    int destroyed = 0;
    P<CCounted> p = make<CCounted>(&destroyed);
    EXPECT_ANY_THROW(interfaceCast<IUnrelated>(p));
    EXPECT_NO_THROW(interfaceCast<IFoo>(p));
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
    EXPECT_EQ(interfaceCast<IFoo>(base, true), static_cast<IFoo*>(object.get()));
    EXPECT_EQ(interfaceCast<IUnrelated>(base, true), static_cast<IUnrelated*>(extra.get()));
}

TEST(FrailPointer, UncountedNeitherKeepsAliveNorReleases) {
    int destroyed = 0;
    P<CCounted> p = make<CCounted>(&destroyed);
    {
        PFrail<IBase> frail = PFrail<IBase>::uncounted(static_cast<IFoo*>(p.get()));
        PFrail<IBase> copy = frail;
        EXPECT_EQ(p->getRefCount(), 1);
        EXPECT_FALSE(copy.counted);
    }
    EXPECT_EQ(p->getRefCount(), 1);
    {
        PFrail<IBase> counted(static_cast<IFoo*>(p.get()), true);
        PFrail<IBase> copy = counted;
        EXPECT_EQ(p->getRefCount(), 3);
    }
    EXPECT_EQ(p->getRefCount(), 1);
    p.reset();
    EXPECT_EQ(destroyed, 1);
}
