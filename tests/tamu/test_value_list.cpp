#include "tamu/CArray.h"
#include "tamu/CObjectError.h"
#include "tamu/CValueList.h"
#include "tamu/IEnum.h"
#include "tamu/IURI.h"
#include "tamu/boxes.h"
#include "tamu/stringConv.h"

#include <gtest/gtest.h>

#include <cmath>
#include <cstdint>
#include <limits>
#include <set>
#include <string>

using namespace tamu;

namespace {

std::string utf8(const P<IString>& s) {
    return stringConv::toStdString(*s);
}

std::set<std::string> namesOf(const IValueList& list) {
    std::set<std::string> names;
    for (P<IStringEnum> walk = list.getNames(); walk->hasMore();)
        names.insert(utf8(walk->next()));
    return names;
}

// Boxes with fixed values, combined below into objects that offer two boxes at once, to see
// which one a getter asks first.
struct IntPart : public virtual IInt {
    void set(int32_t) override {}
    int32_t get() const override { return 5; }
};
struct DoublePart : public virtual IDouble {
    void set(double) override {}
    double get() const override { return 9.75; }
};
struct Int64Part : public virtual IInt64 {
    void set(int64_t) override {}
    int64_t get() const override { return int64_t{1} << 33; }
};
struct FloatPart : public virtual IFloat {
    void set(float) override {}
    float get() const override { return 2.5f; }
};
class CIntAndDouble : public CObject, public IntPart, public DoublePart {};
class CInt64AndFloat : public CObject, public Int64Part, public FloatPart {};

} // namespace

TEST(ValueList, NamesIgnoreCaseOnlyWhenAskedTo) {
    P<IValueList> insensitive = make<CValueList>(false);
    P<IValueList> sensitive = make<CValueList>(true);
    for (const P<IValueList>& list : {insensitive, sensitive}) {
        list->setInt("Volume", 3);
        list->setInt("\xC3\x84rger", 4); // Ärger
    }
    EXPECT_FALSE(insensitive->isCaseSensitive());
    EXPECT_EQ(3, insensitive->getInt("VOLUME", 0));
    EXPECT_EQ(3, insensitive->getInt(u"volume", 0));
    EXPECT_EQ(4, insensitive->getInt(str(U"\u00E4RGER"), 0));
    EXPECT_TRUE(insensitive->contains("vOLUME"));

    EXPECT_TRUE(sensitive->isCaseSensitive());
    EXPECT_EQ(0, sensitive->getInt("VOLUME", 0));
    EXPECT_EQ(3, sensitive->getInt(u"Volume", 0)); // another encoding, same text
    EXPECT_EQ(0, sensitive->getInt("\xC3\xA4rger", 0));
    EXPECT_FALSE(sensitive->contains("volume"));

    // A different spelling of the name replaces the entry; the name stays as first given.
    insensitive->setInt("VOLUME", 8);
    EXPECT_EQ(2, insensitive->getCount());
    EXPECT_EQ(8, insensitive->getInt("volume", 0));
    EXPECT_EQ((std::set<std::string>{"Volume", "\xC3\x84rger"}), namesOf(*insensitive));
    EXPECT_TRUE(insensitive->remove("vOlUmE"));
    EXPECT_FALSE(insensitive->contains("Volume"));
}

TEST(ValueList, GettersConvertInTheOrderOfTheirTable) {
    P<IValueList> list = make<CValueList>(false);
    list->setInt("int", 7);
    list->setInt64("int64", (int64_t{1} << 40) + 5);
    list->setInt64("negative64", -(int64_t{1} << 40) - 2);
    list->setDouble("double", 2.9);
    list->setDouble("negativeDouble", -2.9);
    list->setFloat("float", 1.5f);
    list->setBool("bool", true);
    list->set("text", str("12"));

    EXPECT_EQ(7, list->getInt("int", -1));
    EXPECT_EQ(5, list->getInt("int64", -1)); // the low 32 bits
    EXPECT_EQ(-2, list->getInt("negative64", -1));
    EXPECT_EQ(2, list->getInt("double", -1));
    EXPECT_EQ(-2, list->getInt("negativeDouble", -1));
    EXPECT_EQ(1, list->getInt("float", -1));
    EXPECT_EQ(-1, list->getInt("bool", -1));
    EXPECT_EQ(-1, list->getInt("text", -1)); // text is not parsed
    EXPECT_EQ(-1, list->getInt("missing", -1));

    EXPECT_EQ(7, list->getInt64("int", -1));
    EXPECT_EQ((int64_t{1} << 40) + 5, list->getInt64("int64", -1));
    EXPECT_EQ(-2, list->getInt64("negativeDouble", -1));
    EXPECT_EQ(1, list->getInt64("float", -1));
    EXPECT_EQ(-1, list->getInt64("bool", -1));

    EXPECT_FLOAT_EQ(1.5f, list->getFloat("float", -1));
    EXPECT_FLOAT_EQ(2.9f, list->getFloat("double", -1));
    EXPECT_FLOAT_EQ(static_cast<float>((int64_t{1} << 40) + 5), list->getFloat("int64", -1));
    EXPECT_FLOAT_EQ(7.0f, list->getFloat("int", -1));
    EXPECT_FLOAT_EQ(-1.0f, list->getFloat("text", -1));

    EXPECT_DOUBLE_EQ(2.9, list->getDouble("double", -1));
    EXPECT_DOUBLE_EQ(1.5, list->getDouble("float", -1));
    EXPECT_DOUBLE_EQ(static_cast<double>((int64_t{1} << 40) + 5), list->getDouble("int64", -1));
    EXPECT_DOUBLE_EQ(7.0, list->getDouble("int", -1));
    EXPECT_DOUBLE_EQ(-1.0, list->getDouble("bool", -1));

    EXPECT_TRUE(list->getBool("bool", false));
    EXPECT_FALSE(list->getBool("int", false)); // numbers are not flags
    list->setInt("one", 1);
    EXPECT_TRUE(list->getBool("one", true));
}

TEST(ValueList, GettersPreferTheFirstBoxInTheirOrder) {
    P<IValueList> list = make<CValueList>(true);
    list->set("both", make<CIntAndDouble>());
    EXPECT_EQ(5, list->getInt("both", 0));             // IInt before IDouble
    EXPECT_EQ(9, list->getInt64("both", 0));           // IDouble before IInt
    EXPECT_FLOAT_EQ(9.75f, list->getFloat("both", 0)); // IDouble before IInt
    EXPECT_DOUBLE_EQ(9.75, list->getDouble("both", 0));
    list->set("wide", make<CInt64AndFloat>());
    EXPECT_EQ(0, list->getInt("wide", -1)); // IInt64 (cut) before IFloat
    EXPECT_EQ(int64_t{1} << 33, list->getInt64("wide", 0));
    EXPECT_FLOAT_EQ(2.5f, list->getFloat("wide", 0));  // IFloat before IInt64
    EXPECT_DOUBLE_EQ(2.5, list->getDouble("wide", 0)); // IFloat before IInt64
}

TEST(ValueList, FloatingValuesOutOfRangeSaturate) {
    P<IValueList> list = make<CValueList>(true);
    list->setDouble("huge", 1e20);
    list->setDouble("tiny", -1e20);
    list->setDouble("nan", std::nan(""));
    list->setFloat("big", 3e9f);
    EXPECT_EQ(std::numeric_limits<int32_t>::max(), list->getInt("huge", 0));
    EXPECT_EQ(std::numeric_limits<int32_t>::min(), list->getInt("tiny", 0));
    EXPECT_EQ(std::numeric_limits<int64_t>::max(), list->getInt64("huge", 0));
    EXPECT_EQ(0, list->getInt("nan", 7));
    EXPECT_EQ(std::numeric_limits<int32_t>::max(), list->getInt("big", 0));
    EXPECT_EQ(3000000000LL, list->getInt64("big", 0));
}

TEST(ValueList, ObjectsComeBackAsTheirInterfaces) {
    P<IValueList> list = make<CValueList>(false);
    P<IString> text = str("hello");
    P<IValueList> nested = make<CValueList>(true);
    P<IArray> array = make<CArray>();
    list->set("text", text);
    list->set("nested", nested);
    list->set("array", array);
    list->set("null", static_cast<IBase*>(nullptr));

    EXPECT_EQ(text, list->getString("TEXT", nullptr));
    EXPECT_EQ(nested, list->getValueList("Nested", nullptr));
    EXPECT_EQ(array, list->getArray("array", nullptr));
    EXPECT_EQ(static_cast<IBase*>(text.get()), list->get("text").get());
    P<IString> fallback = str("default");
    EXPECT_EQ(fallback, list->getString("nested", fallback));
    EXPECT_EQ(nullptr, list->getValueList("text", nullptr));
    EXPECT_EQ(nullptr, list->getArray("missing", nullptr));
    EXPECT_EQ(nullptr, list->getURI("text", nullptr));
    // An entry that holds nothing exists, and every getter gives its default.
    EXPECT_TRUE(list->contains("null"));
    EXPECT_EQ(nullptr, list->get("null"));
    EXPECT_EQ(fallback, list->getString("null", fallback));
    EXPECT_EQ(4, list->getInt("null", 4));
}

TEST(ValueList, SettingANameAgainReplacesAndReleases) {
    P<CInt> first = make<CInt>(1);
    P<CInt> second = make<CInt>(2);
    P<IValueList> list = make<CValueList>(true);
    list->set("n", first);
    EXPECT_EQ(2, first->getRefCount());
    list->set("n", second);
    EXPECT_EQ(1, list->getCount());
    EXPECT_EQ(2, list->getInt("n", 0));
    EXPECT_EQ(1, first->getRefCount());
    EXPECT_EQ(2, second->getRefCount());
    EXPECT_FALSE(list->remove("other"));
    EXPECT_EQ(1, list->getCount());
    list->clear();
    EXPECT_EQ(0, list->getCount());
    EXPECT_EQ(1, second->getRefCount());
    EXPECT_FALSE(list->contains("n"));
}

TEST(ValueList, ManyEntriesStayReachable) {
    P<IValueList> list = make<CValueList>(false);
    for (int i = 0; i < 200; ++i)
        list->setInt(stringConv::fromStd("Key" + std::to_string(i)), i);
    EXPECT_EQ(200, list->getCount());
    for (int i = 0; i < 200; ++i)
        ASSERT_EQ(i, list->getInt(stringConv::fromStd("kEY" + std::to_string(i)), -1)) << i;
    EXPECT_EQ(200u, namesOf(*list).size());
}

TEST(ValueList, CloneSharesObjectsButNotEntries) {
    P<IValueList> list = make<CValueList>(false);
    P<CDouble> box = make<CDouble>(0.5);
    list->set("Box", box);
    list->setInt("count", 3);
    P<IValueList> copy = list->clone();
    EXPECT_FALSE(copy->isCaseSensitive());
    EXPECT_EQ(2, copy->getCount());
    EXPECT_EQ(static_cast<IBase*>(box.get()), copy->get("box").get());
    EXPECT_EQ((std::set<std::string>{"Box", "count"}), namesOf(*copy));
    copy->setInt("count", 4);
    copy->setInt("extra", 1);
    EXPECT_EQ(3, list->getInt("count", 0));
    EXPECT_FALSE(list->contains("extra"));
    list->remove("box");
    EXPECT_TRUE(copy->contains("BOX"));
}

TEST(ValueList, NameWalkIsASnapshotAndEnds) {
    P<IValueList> list = make<CValueList>(true);
    list->setInt("a", 1);
    list->setInt("b", 2);
    P<IStringEnum> walk = list->getNames();
    list->clear();
    std::set<std::string> seen;
    while (walk->hasMore())
        seen.insert(utf8(walk->next()));
    EXPECT_EQ((std::set<std::string>{"a", "b"}), seen);
    EXPECT_THROW(walk->next(), CEndOfEnumError);
}

TEST(ValueList, StoredArraysAreCopies) {
    P<CArray> source = make<CArray>();
    P<CInt> element = make<CInt>(1);
    source->add(element.get());
    P<IValueList> list = make<CValueList>(true);
    list->setArray("items", *source);
    source->add(make<CInt>(2).get());
    P<IArray> stored = list->getArray("items", nullptr);
    ASSERT_TRUE(stored);
    EXPECT_NE(static_cast<IArray*>(source.get()), stored.get());
    ASSERT_EQ(1, stored->getCount());
    EXPECT_EQ(static_cast<IBase*>(element.get()), stored->get(0).get());
}
