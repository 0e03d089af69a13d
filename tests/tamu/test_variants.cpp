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

TEST(Variants, TextsAndArrayIndexes) {
    EXPECT_EQ("18446744073709551615",
              textOf(make<CVariantUInt64>(std::numeric_limits<uint64_t>::max())));
    EXPECT_EQ("1.23457e+06", textOf(make<CVariantDouble>(1234567.0)));
    EXPECT_EQ("{Key: list, Value: [1, {Key: deep, Value: true}, null]; Key: name, Value: x; "
              "Key: pi, Value: 3.5}",
              textOf(sampleTree()));
    P<CVariantArray> array = make<CVariantArray>();
    array->append(nullptr);
    array->append(make<CVariantDouble>(2.5));
    EXPECT_EQ("[, 2.5]", textOf(array));
    EXPECT_THROW(array->get(2), CInvalidArgError);
}

TEST(Variants, MapsOrderKeysAndReplaceValues) {
    P<CVariantMap> map = make<CVariantMap>();
    map->set("b", make<CVariantInt64>(2));
    map->set("a", make<CVariantInt64>(1));
    map->set("B", make<CVariantInt64>(0)); // upper case orders first
    EXPECT_EQ((std::vector<std::string>{"B", "a", "b"}), stringsOf(*map->getKeys()));
    map->set(str(u"a"), make<CVariantInt64>(3)); // the same key in another encoding
    // The new value joins the set order at the end; the old one has left it.
    EXPECT_EQ((std::vector<std::string>{"2", "0", "3"}), stringsOf(*map->getValues()));
    EXPECT_TRUE(map->remove("b"));
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
    EXPECT_EQ(8u, copyNodes.size());
    for (const IVariant* node : copyNodes)
        EXPECT_EQ(0u, originalNodes.count(node)) << "shared node " << utf8(node->asText());

    // Changing the original anywhere leaves the copy as it was.
    auto list = dynamic_cast<CVariantArray*>(original->get("list").get());
    ASSERT_NE(nullptr, list);
    dynamic_cast<CVariantMap*>(list->get(1).get())->set("added", make<CVariantNull>());
    EXPECT_EQ(before, textOf(copy));
    // The copy keeps the set order.
    auto copiedMap = dynamic_cast<CVariantMap*>(copy.get());
    ASSERT_NE(nullptr, copiedMap);
    EXPECT_EQ((std::vector<std::string>{"3.5", "[1, {Key: deep, Value: true}, null]", "x"}),
              stringsOf(*copiedMap->getValues()));
}
