#include "engine/core/CRefHandle.h"

#include "engine/core/CRefCounted.h"

#include <gtest/gtest.h>

#include <type_traits>

namespace {

class Counted : public CRefCounted {
public:
    explicit Counted(int* deaths) : m_deaths(deaths) {}

protected:
    ~Counted() override { ++*m_deaths; }

private:
    int* m_deaths;
};

static_assert(std::is_copy_constructible_v<CRefHandle<Counted>>);
static_assert(std::is_nothrow_move_constructible_v<CRefHandle<Counted>>);
static_assert(std::is_nothrow_move_assignable_v<CRefHandle<Counted>>);
static_assert(!std::is_copy_constructible_v<CRefCounted>);

} // namespace

TEST(CRefCounted, StartsAtOneAndTheLastReleaseDeletes) {
    int deaths = 0;
    auto* object = new Counted(&deaths);
    EXPECT_EQ(object->referenceCount(), 1);
    object->addRef();
    EXPECT_FALSE(object->release());
    EXPECT_EQ(deaths, 0);
    EXPECT_TRUE(object->release());
    EXPECT_EQ(deaths, 1);
}

TEST(CRefCounted, ReleaseAndNullClearsThePointer) {
    int deaths = 0;
    Counted* object = new Counted(&deaths);
    releaseAndNull(object);
    EXPECT_EQ(object, nullptr);
    EXPECT_EQ(deaths, 1);
    releaseAndNull(object); // null stays null, nothing released
    EXPECT_EQ(deaths, 1);
}

TEST(CRefHandle, AdoptsARawPointerButSharesABorrowedOne) {
    int deaths = 0;
    auto* object = new Counted(&deaths);
    {
        CRefHandle<Counted> adopted(object);
        EXPECT_EQ(object->referenceCount(), 1);
        {
            CRefHandle<Counted> shared = CRefHandle<Counted>::share(object);
            EXPECT_EQ(object->referenceCount(), 2);
        }
        EXPECT_EQ(object->referenceCount(), 1);
    }
    EXPECT_EQ(deaths, 1);
}

TEST(CRefHandle, AssigningTheSameObjectChangesNoCount) {
    int deaths = 0;
    CRefHandle<Counted> a(new Counted(&deaths));
    CRefHandle<Counted> b = a;
    EXPECT_EQ(a->referenceCount(), 2);
    a = b;
    auto& self = a;
    a = self;
    EXPECT_EQ(a->referenceCount(), 2);
    EXPECT_EQ(deaths, 0);
}

TEST(CRefHandle, AssignmentTakesTheNewReferenceBeforeDroppingTheOld) {
    int deaths = 0;
    CRefHandle<Counted> outer(new Counted(&deaths));
    // The only reference to the new object is about to be replaced by a copy
    // of itself through a handle whose old value dies in the assignment.
    CRefHandle<Counted> inner = outer;
    outer = CRefHandle<Counted>(new Counted(&deaths));
    EXPECT_EQ(deaths, 0);
    inner = outer;
    EXPECT_EQ(deaths, 1);
    EXPECT_EQ(outer->referenceCount(), 2);
}

TEST(CRefHandle, MovesAndDetachKeepTheCount) {
    int deaths = 0;
    CRefHandle<Counted> a(new Counted(&deaths));
    CRefHandle<Counted> b = std::move(a);
    EXPECT_FALSE(a);
    EXPECT_EQ(b->referenceCount(), 1);
    Counted* raw = b.detach();
    EXPECT_FALSE(b);
    EXPECT_EQ(raw->referenceCount(), 1);
    b.reset(raw);
    b.reset();
    EXPECT_EQ(deaths, 1);
}
