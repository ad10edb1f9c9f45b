#include "engine/scene/MaterialProperties.h"

#include "engine/scene/CPropertyBag.h"
#include "engine/video/Material.h"

#include <gtest/gtest.h>

TEST(MaterialProperties, MaterialsShowNoPropertiesAndTakeNone) {
    Material material;
    material.materialType = 24;
    CRefHandle<CPropertyBag> bag = materialToProperties(material);
    ASSERT_TRUE(bag);
    EXPECT_EQ(bag->getCount(), 0);
    EXPECT_NE(materialToProperties(material).get(), bag.get()); // a new bag each time

    bag->setInt("materialType", 3);
    const Material before = material;
    propertiesToMaterial(material, *bag);
    EXPECT_TRUE(material == before);
}
