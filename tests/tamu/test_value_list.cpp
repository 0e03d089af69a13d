#include "tamu/CArray.h"
#include "tamu/CObjectError.h"
#include "tamu/CValueList.h"
#include "tamu/IEnum.h"
#include "tamu/boxes.h"
#include "tamu/stringConv.h"

#include <gtest/gtest.h>

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

// A box with a fixed value; two combined show which one a getter asks first.
template <class Box, class T>
struct Fixed : public virtual Box {
    explicit Fixed(T v) : value(v) {}
    void set(T) override {}
    T get() const override { return value; }
    T value;
};
struct CIntAndDouble : CObject, Fixed<IInt, int32_t>, Fixed<IDouble, double> {
    CIntAndDouble() : Fixed<IInt, int32_t>(5), Fixed<IDouble, double>(9.75) {}
};
struct CInt64AndFloat : CObject, Fixed<IInt64, int64_t>, Fixed<IFloat, float> {
    CInt64AndFloat() : Fixed<IInt64, int64_t>(int64_t{1} << 33), Fixed<IFloat, float>(2.5f) {}
};

} // namespace

TEST(ValueList, NamesIgnoreCaseOnlyWhenAskedTo) {
    P<IValueList> insensitive = make<CValueList>(false);
    P<IValueList> sensitive = make<CValueList>(true);
    for (const P<IValueList>& list : {insensitive, sensitive}) {
        list->setInt("Volume", 3);
        list->setInt("\xC3\x84rger", 4); // Ärger
    }
    EXPECT_EQ(3, insensitive->getInt(u"volume", 0));
    EXPECT_EQ(4, insensitive->getInt(str(U"\u00E4RGER"), 0));
    EXPECT_EQ(0, sensitive->getInt("VOLUME", 0));
    EXPECT_EQ(3, sensitive->getInt(u"Volume", 0)); // another encoding, same text

    // A different spelling of the name replaces the entry; the name stays as first given.
    insensitive->setInt("VOLUME", 8);
    EXPECT_EQ((std::set<std::string>{"Volume", "\xC3\x84rger"}), namesOf(*insensitive));
    EXPECT_TRUE(insensitive->remove("vOlUmE"));
}

TEST(ValueList, GettersConvertInTheOrderOfTheirTable) {
    P<IValueList> list = make<CValueList>(false);
    list->setInt("int", 7);
    list->setInt64("int64", (int64_t{1} << 40) + 5);
    list->setDouble("negativeDouble", -2.9);
    list->setFloat("float", 1.5f);
    list->setBool("bool", true);
    list->set("text", str("12"));
    list->setDouble("huge", 1e20);

    const struct {
        const char* name;
        int32_t asInt;
        int64_t asInt64;
        double asDouble;
    } table[] = {
        {"int", 7, 7, 7.0},
        {"int64", 5 /* the low 32 bits */, (int64_t{1} << 40) + 5, 1099511627781.0},
        {"negativeDouble", -2, -2, -2.9},
        {"float", 1, 1, 1.5},
        {"bool", -1, -1, -1.0},
        {"text", -1, -1, -1.0}, // text is not parsed
        // out of range saturates
        {"huge", std::numeric_limits<int32_t>::max(), std::numeric_limits<int64_t>::max(), 1e20},
    };
    for (const auto& row : table) {
        EXPECT_EQ(row.asInt, list->getInt(row.name, -1)) << row.name;
        EXPECT_EQ(row.asInt64, list->getInt64(row.name, -1)) << row.name;
        EXPECT_DOUBLE_EQ(row.asDouble, list->getDouble(row.name, -1)) << row.name;
        EXPECT_FLOAT_EQ(static_cast<float>(row.asDouble), list->getFloat(row.name, -1)) << row.name;
    }
    EXPECT_TRUE(list->getBool("bool", false));
    EXPECT_FALSE(list->getBool("int", false)); // numbers are not flags
}

TEST(ValueList, GettersPreferTheFirstBoxInTheirOrder) {
    P<IValueList> list = make<CValueList>(true);
    list->set("both", make<CIntAndDouble>());
    EXPECT_EQ(5, list->getInt("both", 0));   // IInt before IDouble
    EXPECT_EQ(9, list->getInt64("both", 0)); // IDouble before IInt
    list->set("wide", make<CInt64AndFloat>());
    EXPECT_EQ(0, list->getInt("wide", -1));            // IInt64 (cut) before IFloat
    EXPECT_DOUBLE_EQ(2.5, list->getDouble("wide", 0)); // IFloat before IInt64
}

TEST(ValueList, ObjectsComeBackAsTheirInterfacesAndAreReleasedWhenReplaced) {
    P<IValueList> list = make<CValueList>(false);
    P<CValueList> nested = make<CValueList>(true);
    list->set("nested", nested);
    list->set("null", static_cast<IBase*>(nullptr));
    EXPECT_EQ(P<IValueList>(nested), list->getValueList("Nested", nullptr));
    P<IString> fallback = str("default");
    EXPECT_EQ(fallback, list->getString("nested", fallback));
    // An entry that holds nothing exists, and every getter gives its default.
    EXPECT_EQ(fallback, list->getString("null", fallback));
    list->set("NESTED", make<CInt>(2));
    EXPECT_EQ(1, nested->getRefCount());
    // Enough names to make the table grow.
    for (int i = 0; i < 200; ++i)
        list->setInt(stringConv::fromStd("Key" + std::to_string(i)), i);
    for (int i = 0; i < 200; ++i)
        ASSERT_EQ(i, list->getInt(stringConv::fromStd("Key" + std::to_string(i)), -1)) << i;
}

TEST(ValueList, CloneSharesObjectsButNotEntries) {
    P<IValueList> list = make<CValueList>(false);
    P<CDouble> box = make<CDouble>(0.5);
    list->set("Box", box);
    list->setInt("count", 3);
    P<IValueList> copy = list->clone();
    EXPECT_EQ(static_cast<IBase*>(box.get()), copy->get("box").get());
    copy->setInt("count", 4);
    EXPECT_EQ(3, list->getInt("count", 0));
    list->remove("box");
    EXPECT_TRUE(copy->contains("BOX"));
}

TEST(ValueList, StoredArraysAreCopies) {
    P<IValueList> list = make<CValueList>(true);
    P<CArray> source = make<CArray>();
    list->setArray("items", *source);
    source->add(make<CInt>(2).get());
    P<IArray> stored = list->getArray("items", nullptr);
    ASSERT_TRUE(stored);
    EXPECT_EQ(0, stored->getCount());
}
