#include "engine/nodes/StandardNodes.h"

#include "engine/core/CRefHandle.h"
#include "engine/scene/CNodeFactory.h"

#include <gtest/gtest.h>

TEST(StandardNodes, RegistrationTwiceKeepsTheFactoryWorking) {
    CRefHandle<CNodeFactory> factory(new CNodeFactory());
    registerStandardNodes(*factory);
    registerStandardNodes(*factory);
    EXPECT_TRUE(factory->isNodeClassRegistered(CStringW(u"BaseNode")));
}
