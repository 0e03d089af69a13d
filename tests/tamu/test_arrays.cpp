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

TEST(Array, InsertionsAndMovesPlaceWhereAsked) {
    Boxes b(8);
    P<CArray> array = arrayOf(b, {0, 1, 2});
    array->insert(1, b[5]);
    array->insert(4, b[6]); // at the end
    array->insertBefore(b[1], b[3]);
    array->insertAfter(b[6], b[4]);
    EXPECT_EQ((std::vector<int>{0, 5, 3, 1, 2, 6, 4}), valuesOf(*array));
    // Into itself: the elements it held before, once.
    P<CArray> self = arrayOf(b, {1, 2});
    self->insertAll(1, self.get());
    EXPECT_EQ((std::vector<int>{1, 1, 2, 2}), valuesOf(*self));

    P<CArray> moving = arrayOf(b, {0, 1, 2, 3, 4});
    moving->move(3, 0);
    moving->moveTo(4, b[1]);
    EXPECT_EQ((std::vector<int>{2, 3, 0, 4, 1}), valuesOf(*moving));
}

TEST(Array, RemovalsFindTheFirstOccurrenceAndRelease) {
    Boxes b(4);
    P<CArray> array = arrayOf(b, {0, 1, 2, 1, 3});
    EXPECT_TRUE(array->remove(b[1]));
    EXPECT_EQ((std::vector<int>{0, 2, 1, 3}), valuesOf(*array));
    array->removeAt(3);
    EXPECT_EQ(1, b.refs(3)); // the slot freed at the end holds nothing
    array->removeRange(0, 2);
    EXPECT_EQ(1, b.refs(0));
}

TEST(Array, CountCapacityAndReplacement) {
    Boxes b(3);
    P<CArray> array = arrayOf(b, {0, 1});
    array->setCount(3);
    EXPECT_EQ((std::vector<int>{0, 1, -1}), valuesOf(*array));
    array->set(0, b[2]);
    array->setCount(1);
    EXPECT_EQ(1, b.refs(0));
    EXPECT_EQ(1, b.refs(1));
    for (int i = 0; i < 10; ++i)
        array->add(b[0]);
    EXPECT_EQ(20, array->getCapacity()); // grows by its step of 10, not by doubling
    array->trim();
    EXPECT_EQ(11, array->getCapacity());
}

TEST(Array, IndexesOutOfRangeAreArgumentErrors) {
    Boxes b(1);
    P<CArray> array = arrayOf(b, {0});
    std::string message = argumentError([&] { array->get(1); });
    EXPECT_NE(std::string::npos, message.find("'CArray::get'")) << message;
    EXPECT_NE(std::string::npos, message.find("index 1 out of range (count 1)")) << message;
    EXPECT_THROW(array->move(1, 0), CInvalidArgError);
    EXPECT_THROW(array->insertBefore(array.get(), b[0]), CInvalidArgError); // not an element
}

TEST(Array, WalksSeeEveryElementAndMayRemove) {
    Boxes b(5);
    P<CArray> array = arrayOf(b, {0, 1, 2, 3, 4});
    P<IEnum> walk = array->getEnum();
    EXPECT_THROW(walk->remove(), CInvalidObjectStateError);
    std::vector<int> seen;
    while (walk->hasMore()) {
        P<IBase> item = walk->next();
        seen.push_back(interfaceCast<IInt>(item.get())->get());
        if (seen.back() % 2 == 1)
            walk->remove();
    }
    EXPECT_EQ((std::vector<int>{0, 2, 4}), valuesOf(*array));
    EXPECT_THROW(walk->next(), CEndOfEnumError);

    // A walk keeps its array alive.
    P<IConstEnum> constWalk = arrayOf(b, {3})->getConstEnum();
    EXPECT_EQ(static_cast<IBase*>(b[3]), constWalk->next().get());
}

TEST(ConstArray, HoldsWhatItsSourceHeldThen) {
    Boxes b(3);
    P<CArray> source = arrayOf(b, {2, 0, 2});
    P<IConstArray> frozen = make<CConstArray>(source.get());
    source->clear();
    EXPECT_EQ((std::vector<int>{2, 0, 2}), valuesOf(*frozen));
    // An array can be appended to another through its read-only side.
    source->addAll(frozen.get());
    EXPECT_EQ((std::vector<int>{2, 0, 2}), valuesOf(*source));
}
