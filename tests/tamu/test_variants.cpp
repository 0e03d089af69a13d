#include "tamu/CObjectError.h"
#include "tamu/CVariant.h"
#include "tamu/CVariantArray.h"
#include "tamu/CVariantMap.h"
#include "tamu/IArray.h"
#include "tamu/IString.h"
#include "tamu/interfaceCast.h"
#include "tamu/stringConv.h"

#include <gtest/gtest.h>

#include <cstdint>
#include <limits>
#include <set>
#include <string>
#include <vector>

using namespace tamu;

namespace {

std::string utf8(const P<IString>& s) {
    return stringConv::toStdString(*s);
}

std::string textOf(const P<IVariant>& v) {
    return utf8(v->asText());
}

std::vector<std::string> stringsOf(const IArray& array) {
    std::vector<std::string> texts;
    for (int32_t i = 0; i < array.getCount(); ++i) {
        P<IBase> item = array.get(i);
        if (const IString* s = interfaceCast<IString>(item.get(), true))
            texts.push_back(stringConv::toStdString(*s));
        else if (const IVariant* v = interfaceCast<IVariant>(item.get(), true))
            texts.push_back(utf8(v->asText()));
    }
    return texts;
}

// Every variant object of a tree (containers and leaves).
void collect(const IVariant* node, std::set<const IVariant*>& nodes) {
    if (!node)
        return;
    nodes.insert(node);
    if (auto array = dynamic_cast<const CVariantArray*>(node)) {
        for (int32_t i = 0; i < array->getCount(); ++i)
            collect(array->get(i).get(), nodes);
    } else if (auto map = dynamic_cast<const CVariantMap*>(node)) {
        P<IArray> keys = map->getKeys();
        for (int32_t i = 0; i < keys->getCount(); ++i)
            collect(map->get(String(tryInterfaceCast<IString>(keys->get(i)))).get(), nodes);
    }
}

// {"list": [1, {"deep": true}, null], "name": "x", "pi": 3.5}
P<CVariantMap> sampleTree() {
    P<CVariantMap> inner = make<CVariantMap>();
    inner->set("deep", make<CVariantBoolean>(true));
    P<CVariantArray> list = make<CVariantArray>();
    list->append(make<CVariantInt64>(1));
    list->append(inner);
    list->append(make<CVariantNull>());
    P<CVariantMap> root = make<CVariantMap>();
    root->set("pi", make<CVariantDouble>(3.5));
    root->set("list", list);
    root->set("name", make<CVariantString>(str("x")));
    return root;
}

} // namespace

TEST(Variants, Texts) {
    EXPECT_EQ("-9223372036854775808",
              textOf(make<CVariantInt64>(std::numeric_limits<int64_t>::min())));
    EXPECT_EQ("9223372036854775807",
              textOf(make<CVariantInt64>(std::numeric_limits<int64_t>::max())));
    EXPECT_EQ("-2147483648", textOf(make<CVariantInt32>(std::numeric_limits<int32_t>::min())));
    EXPECT_EQ("18446744073709551615",
              textOf(make<CVariantUInt64>(std::numeric_limits<uint64_t>::max())));
    EXPECT_EQ("0.1", textOf(make<CVariantDouble>(0.1)));
    EXPECT_EQ("1.23457e+06", textOf(make<CVariantDouble>(1234567.0)));
    EXPECT_EQ("100", textOf(make<CVariantDouble>(100.0)));
    EXPECT_EQ("true", textOf(make<CVariantBoolean>(true)));
    EXPECT_EQ("false", textOf(make<CVariantBoolean>(false)));
    EXPECT_EQ("\xC3\xA9t\xC3\xA9", textOf(make<CVariantString>(str(u"\u00E9t\u00E9"))));
    EXPECT_EQ("", textOf(make<CVariantString>(String())));
    EXPECT_EQ("null", textOf(make<CVariantNull>()));
    EXPECT_EQ("{Key: list, Value: [1, {Key: deep, Value: true}, null]; Key: name, Value: x; "
              "Key: pi, Value: 3.5}",
              textOf(sampleTree()));
    EXPECT_EQ("[]", textOf(make<CVariantArray>()));
    EXPECT_EQ("{}", textOf(make<CVariantMap>()));
}

TEST(Variants, MapKeysComeInAscendingOrder) {
    P<CVariantMap> map = make<CVariantMap>();
    map->set("b", make<CVariantInt64>(2));
    map->set("a", make<CVariantInt64>(1));
    map->set("c", make<CVariantInt64>(3));
    map->set("B", make<CVariantInt64>(0)); // upper case orders first
    EXPECT_EQ((std::vector<std::string>{"B", "a", "b", "c"}), stringsOf(*map->getKeys()));
    EXPECT_EQ((std::vector<std::string>{"2", "1", "3", "0"}), stringsOf(*map->getValues()));
}

TEST(Variants, SettingAKeyAgainReplacesItsValue) {
    P<CVariantMap> map = make<CVariantMap>();
    map->set("a", make<CVariantInt64>(1));
    map->set("b", make<CVariantInt64>(2));
    map->set(str(u"a"), make<CVariantInt64>(3)); // the same key in another encoding
    EXPECT_EQ(2, map->getCount());
    EXPECT_EQ("3", textOf(map->get("a")));
    // The new value joins the set order at the end; the old one has left it.
    EXPECT_EQ((std::vector<std::string>{"2", "3"}), stringsOf(*map->getValues()));
    EXPECT_EQ(nullptr, map->get("z"));
    EXPECT_TRUE(map->remove("b"));
    EXPECT_FALSE(map->remove("b"));
    EXPECT_FALSE(map->contains("b"));
    EXPECT_EQ((std::vector<std::string>{"3"}), stringsOf(*map->getValues()));
}

TEST(Variants, ArraysKeepOrderAndCheckIndexes) {
    P<CVariantArray> array = make<CVariantArray>();
    array->append(make<CVariantString>(str("first")));
    array->append(nullptr);
    array->append(make<CVariantDouble>(2.5));
    EXPECT_EQ(3, array->getCount());
    EXPECT_EQ("first", textOf(array->get(0)));
    EXPECT_EQ(nullptr, array->get(1));
    EXPECT_EQ("[first, , 2.5]", textOf(array));
    EXPECT_THROW(array->get(3), CInvalidArgError);
    EXPECT_THROW(array->get(-1), CInvalidArgError);
}

TEST(Variants, ClonesAreDeep) {
    P<CVariantMap> original = sampleTree();
    P<IVariant> copy = original->clone();
    std::string before = textOf(original);
    ASSERT_EQ(before, textOf(copy));

    std::set<const IVariant*> originalNodes;
    std::set<const IVariant*> copyNodes;
    collect(original.get(), originalNodes);
    collect(copy.get(), copyNodes);
    EXPECT_EQ(8u, originalNodes.size());
    EXPECT_EQ(originalNodes.size(), copyNodes.size());
    for (const IVariant* node : copyNodes)
        EXPECT_EQ(0u, originalNodes.count(node)) << "shared node " << utf8(node->asText());

    // Changing the original anywhere leaves the copy as it was.
    auto list = dynamic_cast<CVariantArray*>(original->get("list").get());
    ASSERT_NE(nullptr, list);
    list->append(make<CVariantInt64>(99));
    dynamic_cast<CVariantMap*>(list->get(1).get())->set("added", make<CVariantNull>());
    original->set("name", make<CVariantString>(str("changed")));
    EXPECT_NE(before, textOf(original));
    EXPECT_EQ(before, textOf(copy));

    // The copy keeps the kinds, values and the set order.
    auto copiedMap = dynamic_cast<CVariantMap*>(copy.get());
    ASSERT_NE(nullptr, copiedMap);
    EXPECT_EQ((std::vector<std::string>{"3.5", "[1, {Key: deep, Value: true}, null]", "x"}),
              stringsOf(*copiedMap->getValues()));
    EXPECT_NE(nullptr, dynamic_cast<CVariantDouble*>(copiedMap->get("pi").get()));
}

TEST(Variants, ScalarClonesKeepKindAndValue) {
    auto same = [](const P<IVariant>& v) {
        P<IVariant> c = v->clone();
        EXPECT_NE(v.get(), c.get());
        EXPECT_TRUE(typeid(*v) == typeid(*c));
        EXPECT_EQ(textOf(v), textOf(c));
    };
    same(make<CVariantInt64>(-5));
    same(make<CVariantInt32>(7));
    same(make<CVariantUInt64>(std::numeric_limits<uint64_t>::max()));
    same(make<CVariantDouble>(0.25));
    same(make<CVariantBoolean>(true));
    same(make<CVariantString>(str("s")));
    same(make<CVariantNull>());
}
