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

TEST(SimpleArray, GrowsByItsFixedStepAndRemovesInOrder) {
    P<TSimpleArray<int>> a = make<TSimpleArray<int>>(3);
    for (int v : {1, 2, 3, 2})
        a->add(v);
    EXPECT_EQ(a->getCapacity(), 6);
    EXPECT_TRUE(a->removeFirst(2));
    ASSERT_EQ(a->getCount(), 3);
    EXPECT_EQ((std::vector<int>{1, 3, 2}), (std::vector<int>{a->get(0), a->get(1), a->get(2)}));
}

// Adding one of the array's own elements while the add grows the block: the element must be
// read before the old block is freed (AddressSanitizer reports the use after free otherwise).
TEST(SimpleArray, AddingItsOwnElementSurvivesGrowth) {
    P<TSimpleArray<int>> ints = make<TSimpleArray<int>>(1);
    ints->add(7);
    for (int i = 0; i < 5; ++i)
        ints->add(ints->get(i));
    ASSERT_EQ(ints->getCount(), 6);
    for (int i = 0; i < 6; ++i)
        EXPECT_EQ(ints->get(i), 7);

    int destroyed = 0;
    P<TSimpleArray<P<CProbe>>> probes = make<TSimpleArray<P<CProbe>>>(1);
    probes->add(make<CProbe>(&destroyed));
    for (int i = 0; i < 5; ++i)
        probes->add(probes->get(0));
    for (int i = 0; i < 6; ++i)
        EXPECT_EQ(probes->get(i), probes->get(0));
    probes = nullptr;
    EXPECT_EQ(destroyed, 1);
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
    a->removeAt(0);
    EXPECT_EQ(destroyed, 1);
}

TEST(FrailArray, EntriesDoNotKeepListenersAliveAndRemoveByPointer) {
    int destroyed = 0;
    P<CProbe> a = make<CProbe>(&destroyed);
    P<CProbe> b = make<CProbe>(&destroyed);
    P<TFrailArray<IBase>> list = make<TFrailArray<IBase>>();
    for (CProbe* entry : {a.get(), b.get(), a.get()})
        list->add(PFrail<IBase>::uncounted(entry));
    // A counted probe for the same object still matches: entries compare by pointer.
    EXPECT_TRUE(list->remove(PFrail<IBase>(a.get(), true)));
    ASSERT_EQ(list->getCount(), 2);
    EXPECT_EQ(list->getAt(1), static_cast<IBase*>(a.get()));
    a.reset();
    EXPECT_EQ(destroyed, 1);
}

TEST(SimpleHashTable, StartsWithTenBucketsAndDoublesAtTheEighthEntry) {
    P<TSimpleHashTable<Key, int>> t = make<TSimpleHashTable<Key, int>>();
    for (int i = 0; i < 7; ++i)
        t->put(Key{"k" + std::to_string(i), static_cast<uint32_t>(i * 7)}, i);
    EXPECT_EQ(t->getBucketCount(), 10);
    t->put(Key{"k7", 49}, 7);
    EXPECT_EQ(t->getBucketCount(), 20);
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
    EXPECT_EQ(t->get(Key{"z", 5}), nullptr); // same hash, different key
    EXPECT_TRUE(t->remove(Key{"b", 5}));
    EXPECT_EQ(*t->get(Key{"a", 5}), 10);
    EXPECT_EQ(*t->get(Key{"c", 15}), 3);
}
