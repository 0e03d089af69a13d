#include "tamu/CArray.h"
#include "tamu/CConstArray.h"
#include "tamu/CObjectError.h"
#include "tamu/IEnum.h"
#include "tamu/boxes.h"
#include "tamu/interfaceCast.h"
#include "tamu/stringConv.h"

#include <gtest/gtest.h>

#include <functional>
#include <string>
#include <vector>

using namespace tamu;

namespace {

// Elements named by their box values, so an order reads as a vector.
std::vector<int> valuesOf(const IConstArray& array) {
    std::vector<int> values;
    for (int32_t i = 0; i < array.getCount(); ++i) {
        P<IBase> item = array.get(i);
        const IInt* box = interfaceCast<IInt>(item.get(), true);
        values.push_back(box ? box->get() : -1);
    }
    return values;
}

struct Boxes {
    std::vector<P<CInt>> items;
    explicit Boxes(int count) {
        for (int i = 0; i < count; ++i)
            items.push_back(make<CInt>(i));
    }
    IBase* operator[](int i) const { return items[static_cast<size_t>(i)].get(); }
    int32_t refs(int i) const { return items[static_cast<size_t>(i)]->getRefCount(); }
};

P<CArray> arrayOf(const Boxes& boxes, std::initializer_list<int> which) {
    P<CArray> array = make<CArray>();
    for (int i : which)
        array->add(boxes[i]);
    return array;
}

std::string argumentError(const std::function<void()>& action) {
    try {
        action();
    } catch (const CInvalidArgError& e) {
        return stringConv::toStdString(*e.getMessage());
    }
    return "no error";
}

} // namespace

TEST(Array, InsertionsOpenGapsWhereAsked) {
    Boxes b(8);
    P<CArray> array = arrayOf(b, {0, 1, 2});
    array->insert(1, b[5]);
    EXPECT_EQ((std::vector<int>{0, 5, 1, 2}), valuesOf(*array));
    array->insert(4, b[6]); // at the end
    array->insert(0, b[7]);
    EXPECT_EQ((std::vector<int>{7, 0, 5, 1, 2, 6}), valuesOf(*array));
    array->insertBefore(b[1], b[3]);
    array->insertAfter(b[6], b[4]);
    EXPECT_EQ((std::vector<int>{7, 0, 5, 3, 1, 2, 6, 4}), valuesOf(*array));

    P<CArray> other = arrayOf(b, {1, 2});
    other->insertAll(1, array.get());
    EXPECT_EQ((std::vector<int>{1, 7, 0, 5, 3, 1, 2, 6, 4, 2}), valuesOf(*other));
    other->addAll(arrayOf(b, {3}).get());
    EXPECT_EQ(3, valuesOf(*other).back());
    // Into itself: the elements it held before, once.
    P<CArray> self = arrayOf(b, {1, 2});
    self->insertAll(1, self.get());
    EXPECT_EQ((std::vector<int>{1, 1, 2, 2}), valuesOf(*self));
    self->addAll(self.get());
    EXPECT_EQ((std::vector<int>{1, 1, 2, 2, 1, 1, 2, 2}), valuesOf(*self));
}

TEST(Array, RemovalsFindTheFirstOccurrenceAndRelease) {
    Boxes b(4);
    P<CArray> array = arrayOf(b, {0, 1, 2, 1, 3});
    EXPECT_EQ(3, b.refs(1));
    EXPECT_EQ(1, array->indexOf(b[1]));
    EXPECT_EQ(3, array->indexOf(b[1], 2));
    EXPECT_EQ(-1, array->indexOf(b[1], 4));
    EXPECT_TRUE(array->remove(b[1]));
    EXPECT_EQ((std::vector<int>{0, 2, 1, 3}), valuesOf(*array));
    EXPECT_EQ(2, b.refs(1));
    array->removeAt(3);
    EXPECT_EQ(1, b.refs(3)); // the slot freed at the end holds nothing
    EXPECT_FALSE(array->remove(b[3]));
    array->removeRange(0, 2);
    EXPECT_EQ((std::vector<int>{1}), valuesOf(*array));
    EXPECT_EQ(1, b.refs(0));
    EXPECT_EQ(1, b.refs(2));
    EXPECT_TRUE(array->contains(b[1]));
    array->clear();
    EXPECT_TRUE(array->isEmpty());
    EXPECT_EQ(1, b.refs(1));
}

TEST(Array, MovesEndAtTheTargetIndex) {
    Boxes b(5);
    P<CArray> array = arrayOf(b, {0, 1, 2, 3, 4});
    array->move(3, 0);
    EXPECT_EQ((std::vector<int>{1, 2, 3, 0, 4}), valuesOf(*array));
    array->move(0, 4);
    EXPECT_EQ((std::vector<int>{4, 1, 2, 3, 0}), valuesOf(*array));
    array->moveTo(2, b[0]);
    EXPECT_EQ((std::vector<int>{4, 1, 0, 2, 3}), valuesOf(*array));
    array->move(1, 1);
    EXPECT_EQ((std::vector<int>{4, 1, 0, 2, 3}), valuesOf(*array));
    for (int i = 0; i < 5; ++i)
        EXPECT_EQ(2, b.refs(i)) << i;
}

TEST(Array, CountCapacityAndReplacement) {
    Boxes b(3);
    P<CArray> array = arrayOf(b, {0, 1});
    array->setCount(4);
    EXPECT_EQ((std::vector<int>{0, 1, -1, -1}), valuesOf(*array));
    array->set(3, b[2]);
    array->set(0, b[2]);
    EXPECT_EQ(1, b.refs(0));
    EXPECT_EQ(3, b.refs(2));
    array->setCount(1);
    EXPECT_EQ(2, b.refs(2));
    EXPECT_EQ(1, b.refs(1));
    for (int i = 0; i < 10; ++i)
        array->add(b[0]);
    EXPECT_EQ(20, array->getCapacity()); // grows by its step of 10, not by doubling
    array->trim();
    EXPECT_EQ(11, array->getCapacity());
    EXPECT_EQ(11, array->getCount());
}

TEST(Array, IndexesOutOfRangeAreArgumentErrors) {
    Boxes b(1);
    P<CArray> array = arrayOf(b, {0});
    std::string message = argumentError([&] { array->get(1); });
    EXPECT_NE(std::string::npos, message.find("'CArray::get'")) << message;
    EXPECT_NE(std::string::npos, message.find("index 1 out of range (count 1)")) << message;
    EXPECT_NE(std::string::npos, argumentError([&] { array->insert(2, b[0]); }).find("insert"));
    EXPECT_NE(std::string::npos, argumentError([&] { array->removeAt(-1); }).find("removeRange"));
    EXPECT_NE(std::string::npos, argumentError([&] { array->set(1, b[0]); }).find("CArray::set"));
    EXPECT_NE(std::string::npos, argumentError([&] { array->move(1, 0); }).find("CArray::move"));
    EXPECT_NE(std::string::npos, argumentError([&] { array->removeRange(0, 2); }).find("range"));
    EXPECT_NE(std::string::npos, argumentError([&] {
                                     array->insertBefore(array.get(), b[0]);
                                 }).find("not an element"));
    EXPECT_NE(std::string::npos, argumentError([&] { array->setCount(-1); }).find("setCount"));
    EXPECT_EQ((std::vector<int>{0}), valuesOf(*array));
}

TEST(Array, WalksSeeEveryElementAndMayRemove) {
    Boxes b(5);
    P<CArray> array = arrayOf(b, {0, 1, 2, 3, 4});
    P<IEnum> walk = array->getEnum();
    EXPECT_THROW(walk->remove(), CInvalidObjectStateError);
    std::vector<int> seen;
    while (walk->hasMore()) {
        P<IBase> item = walk->next();
        int value = interfaceCast<IInt>(item.get())->get();
        seen.push_back(value);
        if (value % 2 == 1)
            walk->remove();
    }
    EXPECT_EQ((std::vector<int>{0, 1, 2, 3, 4}), seen);
    EXPECT_EQ((std::vector<int>{0, 2, 4}), valuesOf(*array));
    EXPECT_THROW(walk->next(), CEndOfEnumError);
    walk->remove();
    EXPECT_THROW(walk->remove(), CInvalidObjectStateError);
    EXPECT_EQ((std::vector<int>{0, 2}), valuesOf(*array));

    // A walk keeps its array alive.
    P<IConstEnum> constWalk = arrayOf(b, {3, 1})->getConstEnum();
    EXPECT_EQ(static_cast<IBase*>(b[3]), constWalk->next().get());
    EXPECT_EQ(static_cast<IBase*>(b[1]), constWalk->next().get());
    EXPECT_FALSE(constWalk->hasMore());
    EXPECT_THROW(constWalk->next(), CEndOfEnumError);
}

TEST(ConstArray, HoldsWhatItsSourceHeldThen) {
    Boxes b(3);
    P<CArray> source = arrayOf(b, {2, 0, 2});
    P<IConstArray> frozen = make<CConstArray>(source.get());
    source->clear();
    EXPECT_EQ((std::vector<int>{2, 0, 2}), valuesOf(*frozen));
    EXPECT_EQ(2, frozen->indexOf(b[2], 1));
    EXPECT_FALSE(frozen->contains(b[1]));
    EXPECT_TRUE(make<CConstArray>()->isEmpty());
    EXPECT_THROW(frozen->get(3), CInvalidArgError);
    std::vector<IBase*> walked;
    for (P<IConstEnum> walk = frozen->getConstEnum(); walk->hasMore();)
        walked.push_back(walk->next().get());
    EXPECT_EQ((std::vector<IBase*>{b[2], b[0], b[2]}), walked);
    // An array can be appended to another through its read-only side.
    P<CArray> target = make<CArray>();
    target->addAll(frozen.get());
    EXPECT_EQ((std::vector<int>{2, 0, 2}), valuesOf(*target));
}
