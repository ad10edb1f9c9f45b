#include "engine/core/CEngineManagers.h"

#include "engine/core/CEmitterFactory.h"
#include "engine/core/CNamedObjectRegistry.h"
#include "engine/core/CObjectName.h"
#include "engine/core/CRandom.h"
#include "engine/core/CRefHandle.h"

#include <gtest/gtest.h>

namespace {

// Emitter classes live in a higher library; the factory only passes their
// pointers on, so fixed addresses stand in for new emitters here.
char pointEmitter;
CObjectName lastName;

BaseEmitter* createPoint(const CObjectName& name) {
    lastName = name;
    return reinterpret_cast<BaseEmitter*>(&pointEmitter);
}

char otherEmitter;
BaseEmitter* createOther(const CObjectName&) { return reinterpret_cast<BaseEmitter*>(&otherEmitter); }

class Counted : public CRefCounted {
public:
    explicit Counted(int* deaths) : m_deaths(deaths) {}

protected:
    ~Counted() override { ++*m_deaths; }

private:
    int* m_deaths;
};

} // namespace

TEST(CEngineManagers, OneInstanceHoldsTheCoreRegistries) {
    CEngineManagers& managers = CEngineManagers::instance();
    EXPECT_EQ(&CEngineManagers::instance(), &managers);
    ASSERT_NE(managers.getRandom(), nullptr);
    ASSERT_NE(managers.getEmitterFactory(), nullptr);
    ASSERT_NE(managers.getNamedObjectRegistry(), nullptr);
    EXPECT_EQ(managers.getEmitterFactory()->getMask(), 0u);

    CRandom reference;
    managers.getRandom()->seed(5489);
    EXPECT_EQ(managers.getRandom()->next(), reference.next());
}

TEST(CEmitterFactory, CreatesByRegisteredTypeName) {
    CRefHandle<CEmitterFactory> factory(new CEmitterFactory);
    const CObjectName name(nullptr, u"Sparks");
    EXPECT_EQ(factory->createEmitter(u"PointEmitter", name), nullptr);

    factory->registerEmitterType(u"PointEmitter", &createPoint);
    EXPECT_TRUE(factory->hasEmitterType(u"PointEmitter"));
    EXPECT_EQ(factory->createEmitter(u"PointEmitter", name), reinterpret_cast<BaseEmitter*>(&pointEmitter));
    EXPECT_EQ(lastName, name);
    // Type names are exact.
    EXPECT_EQ(factory->createEmitter(u"pointemitter", name), nullptr);
    EXPECT_EQ(factory->createEmitter(u"RectangleEmitter", name), nullptr);
    // A name registered again keeps its first function.
    factory->registerEmitterType(u"PointEmitter", &createOther);
    EXPECT_EQ(factory->createEmitter(u"PointEmitter", name), reinterpret_cast<BaseEmitter*>(&pointEmitter));

    factory->registerEmitterType(u"PointEmitter", nullptr);
    EXPECT_FALSE(factory->hasEmitterType(u"PointEmitter"));
}

TEST(CNamedObjectRegistry, HoldsOneReferencePerEntryAndReleasesThemAll) {
    int deaths = 0;
    CRefHandle<Counted> a(new Counted(&deaths));
    CRefHandle<Counted> b(new Counted(&deaths));
    {
        CRefHandle<CNamedObjectRegistry> registry(new CNamedObjectRegistry);
        registry->setObject(u"a", a.get());
        registry->setObject(u"b", a.get());
        registry->setObject(u"b", b.get()); // replaces: a loses one reference
        EXPECT_EQ(a->referenceCount(), 2);
        EXPECT_EQ(b->referenceCount(), 2);
        EXPECT_EQ(registry->getObject(u"b"), b.get());
        EXPECT_EQ(registry->getObject(u"c"), nullptr);
        registry->setObject(u"c", nullptr); // nothing to remove
        EXPECT_EQ(registry->size(), 2u);
    }
    EXPECT_EQ(a->referenceCount(), 1);
    EXPECT_EQ(b->referenceCount(), 1);
    EXPECT_EQ(deaths, 0);
}
