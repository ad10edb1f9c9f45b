#include "engine/scene/SetProps.h"

#include "engine/core/CStringW.h"
#include "engine/io/CXmlStreamReader.h"
#include "engine/scene/CPropertyBag.h"
#include "tests/engine/scene/NodeTestSupport.h"
#include "tests/engine/scene/PropertyTestSupport.h"

#include <gtest/gtest.h>

#include <string>

namespace {

CRefHandle<SetProps> loadKey(const std::string& xml) {
    CRefHandle<SetProps> key(new SetProps());
    CRefHandle<CXmlStreamReader> reader = readerAtFirstElement(xml);
    key->load(reader.get(), nullptr, CStringW(u"Animator"));
    return key;
}

} // namespace

TEST(SetProps, AppliesKnownPropertiesAndSkipsTheRest) {
    CRefHandle<SetProps> key = loadKey("<Animator Type=\"SetProps\">"
                                       "<bool Name=\"Visible\" Value=\"false\" />"
                                       "<float Name=\"Wobble\" Value=\"3\" />"
                                       "<vector3d Name=\"Position\" Value=\"4;5;6\" />"
                                       "<int Name=\"TintColor\" Value=\"7\" />"
                                       "</Animator>");
    EXPECT_EQ(key->getProperties()->getCount(), 4);
    CRefHandle<RecordingNode> node(new RecordingNode("node"));
    node->setTintColor(CColor(0xFFFFFFFF));
    key->setTarget(node.get());
    key->apply(123, false);
    EXPECT_TRUE(node->isVisible()) << "nothing without applyValues";
    key->apply(0, true);
    EXPECT_FALSE(node->isVisible());
    EXPECT_TRUE(node->getPosition().equals(CVector3d(4, 5, 6)));
    EXPECT_EQ(node->getTintColor().value, 0u) << "a value of another kind stores the zero";
    EXPECT_EQ(key->getDuration(), 0);
    EXPECT_FALSE(key->update(20)) << "the scheduler drops it at its first tick";

    CRefHandle<SetProps> empty(new SetProps());
    empty->setTarget(node.get());
    node->setVisible(true);
    empty->apply(0, true);
    EXPECT_TRUE(node->isVisible());
}

TEST(SetProps, SavesItsValuesInsideTheKeyElement) {
    const std::string xml = "<StartAnimator Type=\"SetProps\" Name=\"Show\">\r\n"
                            "\t<bool Name=\"Visible\" Value=\"true\" />\r\n"
                            "\t<color Name=\"TintColor\" Value=\"80ff0000\" />\r\n"
                            "</StartAnimator>\r\n";
    CRefHandle<SetProps> key(new SetProps());
    CRefHandle<CXmlStreamReader> reader = readerAtFirstElement(xml);
    key->load(reader.get(), nullptr, CStringW(u"StartAnimator"));
    key->setName(CName("Show"));
    auto save = [](const Animator* k) {
        return writtenXml([k](CXmlStreamWriter* writer) { k->save(writer, CStringW(u"StartAnimator")); });
    };
    EXPECT_EQ(save(key.get()), xml);
    CRefHandle<Animator> copy = key->clone();
    EXPECT_EQ(save(copy.get()), xml);
    EXPECT_NE(static_cast<SetProps*>(copy.get())->getProperties(), key->getProperties()) << "a deep copy";

    CRefHandle<SetProps> empty(new SetProps());
    EXPECT_EQ(save(empty.get()), "<StartAnimator Type=\"SetProps\">\r\n</StartAnimator>\r\n");
}
