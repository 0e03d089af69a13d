#include "tamu/P.h"
#include "tamu/TFrailArray.h"
#include "tamu/TSimpleArray.h"
#include "tamu/TSimpleHashTable.h"

#include <gtest/gtest.h>

#include <string>
#include <vector>

using namespace tamu;

namespace {

class CProbe : public CObject {
public:
    explicit CProbe(int* destroyed) : m_destroyed(destroyed) {}
    ~CProbe() override { ++*m_destroyed; }

private:
    int* m_destroyed;
};

// A key whose hash collides on purpose, to exercise chains.
struct Key {
    std::string text;
    uint32_t hash;
};
uint32_t hashOf(const Key& k) {
    return k.hash;
}
bool keysEqual(const Key& a, const Key& b) {
    return a.text == b.text;
}

} // namespace

TEST(SimpleArray, GrowsByItsFixedStep) {
    P<TSimpleArray<int>> a = make<TSimpleArray<int>>(10);
    for (int i = 0; i < 10; ++i)
        a->add(i);
    EXPECT_EQ(a->getCapacity(), 10);
    a->add(10);
    EXPECT_EQ(a->getCapacity(), 20);
    EXPECT_EQ(a->getCount(), 11);
    for (int i = 0; i <= 10; ++i)
        EXPECT_EQ(a->get(i), i);

    P<TSimpleArray<int>> defaulted = make<TSimpleArray<int>>(0);
    EXPECT_EQ(defaulted->getGrowBy(), 10);
    P<TSimpleArray<int>> small = make<TSimpleArray<int>>(3);
    for (int i = 0; i < 4; ++i)
        small->add(i);
    EXPECT_EQ(small->getCapacity(), 6);
}

TEST(SimpleArray, RemoveFirstAndShrinkingResizeKeepTheOrderOfTheRest) {
    P<TSimpleArray<int>> a = make<TSimpleArray<int>>();
    for (int v : {1, 2, 3, 2, 4})
        a->add(v);
    EXPECT_TRUE(a->removeFirst(2));
    EXPECT_FALSE(a->removeFirst(7));
    ASSERT_EQ(a->getCount(), 4);
    EXPECT_EQ((std::vector<int>{1, 3, 2, 4}),
              (std::vector<int>{a->get(0), a->get(1), a->get(2), a->get(3)}));

    a->resize(3);
    EXPECT_EQ(a->getCount(), 3);
    EXPECT_EQ(a->getCapacity(), 3);
    EXPECT_EQ(a->get(2), 2);
    a->resize(0);
    EXPECT_EQ(a->getCount(), 0);
    a->add(5);
    EXPECT_EQ(a->get(0), 5);
}

TEST(CleaningArray, RemovalReleasesTheVacatedSlot) {
    int destroyed = 0;
    P<TCleaningSimpleArray<P<CProbe>>> a = make<TCleaningSimpleArray<P<CProbe>>>();
    P<CProbe> first = make<CProbe>(&destroyed);
    a->add(first);
    a->add(make<CProbe>(&destroyed));
    // Shifting the second element down leaves a copy in the old last slot; cleaning drops it,
    // so removing the last reference held by the array really frees the object.
    a->removeFirst(first);
    EXPECT_EQ(a->getCount(), 1);
    EXPECT_EQ(destroyed, 0);
    a->removeAt(0);
    EXPECT_EQ(destroyed, 1);
    first.reset();
    EXPECT_EQ(destroyed, 2);

    // A plain array keeps the stale copy alive until the slot is reused.
    P<TSimpleArray<P<CProbe>>> plain = make<TSimpleArray<P<CProbe>>>();
    plain->add(make<CProbe>(&destroyed));
    plain->removeAt(0);
    EXPECT_EQ(destroyed, 2);
    plain.reset();
    EXPECT_EQ(destroyed, 3);
}

TEST(FrailArray, EntriesDoNotKeepListenersAliveAndRemoveByPointer) {
    int destroyed = 0;
    P<CProbe> a = make<CProbe>(&destroyed);
    P<CProbe> b = make<CProbe>(&destroyed);
    P<TFrailArray<IBase>> list = make<TFrailArray<IBase>>();
    list->add(PFrail<IBase>::uncounted(a.get()));
    list->add(PFrail<IBase>::uncounted(b.get()));
    list->add(PFrail<IBase>::uncounted(a.get()));
    EXPECT_EQ(a->getRefCount(), 1);

    // A counted probe for the same object still matches: entries compare by pointer.
    EXPECT_TRUE(list->remove(PFrail<IBase>(a.get(), true)));
    ASSERT_EQ(list->getCount(), 2);
    EXPECT_EQ(list->getAt(0), static_cast<IBase*>(b.get()));
    EXPECT_EQ(list->getAt(1), static_cast<IBase*>(a.get()));
    EXPECT_EQ(a->getRefCount(), 1);
    a.reset();
    EXPECT_EQ(destroyed, 1);
}

TEST(SimpleHashTable, StartsWithTenBucketsAndDoublesAtTheEighthEntry) {
    P<TSimpleHashTable<Key, int>> t = make<TSimpleHashTable<Key, int>>();
    EXPECT_EQ(t->getBucketCount(), 0);
    EXPECT_EQ(t->get(Key{"x", 1}), nullptr);
    t->put(Key{"k0", 0}, 0);
    EXPECT_EQ(t->getBucketCount(), 10);
    for (int i = 1; i < 7; ++i)
        t->put(Key{"k" + std::to_string(i), static_cast<uint32_t>(i * 7)}, i);
    EXPECT_EQ(t->getBucketCount(), 10);
    t->put(Key{"k7", 49}, 7);
    EXPECT_EQ(t->getBucketCount(), 20);
    EXPECT_EQ(t->getCount(), 8);
    for (int i = 0; i < 8; ++i) {
        const int* v = t->get(Key{"k" + std::to_string(i), static_cast<uint32_t>(i * 7)});
        ASSERT_NE(v, nullptr);
        EXPECT_EQ(*v, i);
    }
}

TEST(SimpleHashTable, CollidingKeysChainAndRemoveIndependently) {
    P<TSimpleHashTable<Key, int>> t = make<TSimpleHashTable<Key, int>>();
    t->put(Key{"a", 5}, 1);
    t->put(Key{"b", 5}, 2);
    t->put(Key{"c", 15}, 3); // same bucket as 5 with ten buckets
    t->put(Key{"a", 5}, 10); // overwrite, not a second entry
    EXPECT_EQ(t->getCount(), 3);
    EXPECT_EQ(*t->get(Key{"a", 5}), 10);
    // Same hash, different key: not found.
    EXPECT_EQ(t->get(Key{"z", 5}), nullptr);
    EXPECT_TRUE(t->remove(Key{"b", 5}));
    EXPECT_FALSE(t->remove(Key{"b", 5}));
    EXPECT_EQ(*t->get(Key{"a", 5}), 10);
    EXPECT_EQ(*t->get(Key{"c", 15}), 3);
    EXPECT_EQ(t->getCount(), 2);
}
