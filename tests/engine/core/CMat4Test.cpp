#include "engine/core/CMat4.h"

#include <gtest/gtest.h>

namespace {

CMat4 scaleAndTranslate(float sx, float sy, float sz, float tx, float ty, float tz) {
    return CMat4({sx, 0, 0, 0, 0, sy, 0, 0, 0, 0, sz, 0, tx, ty, tz, 1});
}

void expectElements(const CMat4& m, const std::array<float, 16>& expected, float tolerance = 0.0f) {
    for (int k = 0; k < 16; ++k) {
        SCOPED_TRACE(k);
        if (tolerance == 0.0f)
            EXPECT_EQ(m[k], expected[k]);
        else
            EXPECT_NEAR(m[k], expected[k], tolerance);
    }
}

} // namespace

TEST(CMat4, IdentityCarriesTheHint) {
    const CMat4& id = CMat4::identity();
    EXPECT_TRUE(id.identityHint());
    EXPECT_TRUE(id.isIdentity());
    expectElements(id, {1, 0, 0, 0, 0, 1, 0, 0, 0, 0, 1, 0, 0, 0, 0, 1});
    EXPECT_EQ(&CMat4::identity(), &id);
}

TEST(CMat4, WritesClearTheHintAndTheIdentityTestSetsIt) {
    CMat4 m;
    EXPECT_TRUE(m.identityHint());
    m[5] = 1.0f;
    EXPECT_FALSE(m.identityHint());
    EXPECT_TRUE(m.isIdentity());
    EXPECT_TRUE(m.identityHint());

    m[12] = 0.5f;
    EXPECT_FALSE(m.isIdentity());
    EXPECT_FALSE(m.identityHint());

    // Within 1e-6 of the identity still counts.
    CMat4 near({1.0000005f, 0, 0, 0, 0, 1, 0, 0, 0, 0, 0.9999995f, 0, 0, 0, -0.0000005f, 1});
    EXPECT_TRUE(near.isIdentity());
    CMat4 far({1.00001f, 0, 0, 0, 0, 1, 0, 0, 0, 0, 1, 0, 0, 0, 0, 1});
    EXPECT_FALSE(far.isIdentity());

    CMat4 copy = near;
    EXPECT_TRUE(copy.identityHint());
    copy = far;
    EXPECT_FALSE(copy.identityHint());
    EXPECT_EQ(copy[0], 1.00001f);
}

TEST(CMat4, MultiplyComposesOtherThenThis) {
    const CMat4 a({1, 2, 3, 4, 5, 6, 7, 8, 9, 10, 11, 12, 13, 14, 15, 16});
    const CMat4 b({2, 0, 1, 0, 0, 1, 0, 3, 1, 0, 0, 1, 0, 2, 1, 0});
    // P[4i + j] = sum_k b[4i + k] * a[4k + j]
    const CMat4 p = a.multiply(b);
    expectElements(p, {11, 14, 17, 20, 44, 48, 52, 56, 14, 16, 18, 20, 19, 22, 25, 28});
    EXPECT_FALSE(p.identityHint());

    // Scale then translate: a point is scaled by the first operand, then moved.
    const CMat4 scale = scaleAndTranslate(2, 3, 4, 0, 0, 0);
    const CMat4 move = scaleAndTranslate(1, 1, 1, 10, 20, 30);
    CVector3d point(1, 1, 1);
    move.multiply(scale).transformPoint(point);
    EXPECT_TRUE(point.equals(CVector3d(12, 23, 34)));
}

TEST(CMat4, MultiplyByTheIdentityReturnsTheOtherOperand) {
    const CMat4 a({1, 2, 3, 4, 5, 6, 7, 8, 9, 10, 11, 12, 13, 14, 15, 16});
    const CMat4 left = CMat4::identity().multiply(a);
    expectElements(left, {1, 2, 3, 4, 5, 6, 7, 8, 9, 10, 11, 12, 13, 14, 15, 16});
    EXPECT_FALSE(left.identityHint());
    const CMat4 right = a.multiply(CMat4::identity());
    expectElements(right, {1, 2, 3, 4, 5, 6, 7, 8, 9, 10, 11, 12, 13, 14, 15, 16});

    const CMat4 both = CMat4::identity().multiply(CMat4());
    EXPECT_TRUE(both.identityHint());
}

TEST(CMat4, TransformPointAppliesRowsAndTranslation) {
    const CMat4 m({1, 2, 3, 99, 4, 5, 6, 99, 7, 8, 9, 99, 10, 11, 12, 99});
    CVector3d p(1, -1, 2);
    m.transformPoint(p);
    // x = 1*1 - 1*4 + 2*7 + 10, y = 1*2 - 1*5 + 2*8 + 11, z = 1*3 - 1*6 + 2*9 + 12
    EXPECT_EQ(p.x, 21.0f);
    EXPECT_EQ(p.y, 24.0f);
    EXPECT_EQ(p.z, 27.0f);
}

TEST(CMat4, TransposeSwapsRowsAndColumnsAndKeepsTheHint) {
    const CMat4 a({1, 2, 3, 4, 5, 6, 7, 8, 9, 10, 11, 12, 13, 14, 15, 16});
    const CMat4 t = a.transpose();
    expectElements(t, {1, 5, 9, 13, 2, 6, 10, 14, 3, 7, 11, 15, 4, 8, 12, 16});
    EXPECT_FALSE(t.identityHint());
    EXPECT_TRUE(CMat4::identity().transpose().identityHint());
}

TEST(CMat4, ComputeInverseUndoesTheMatrix) {
    const CMat4 m = scaleAndTranslate(2, 4, 0.5f, 3, -2, 5);
    CMat4 inverse;
    ASSERT_TRUE(m.computeInverse(inverse));
    expectElements(inverse, {0.5f, 0, 0, 0, 0, 0.25f, 0, 0, 0, 0, 2, 0, -1.5f, 0.5f, -10, 1});
    EXPECT_FALSE(inverse.identityHint());

    // A general matrix: the product with its inverse is the identity.
    const CMat4 g({2, 1, 0, 0, 1, 3, 1, 0, 0, 1, 4, 1, 1, 0, 2, 5});
    ASSERT_TRUE(g.computeInverse(inverse));
    const CMat4 product = g.multiply(inverse);
    expectElements(product, {1, 0, 0, 0, 0, 1, 0, 0, 0, 0, 1, 0, 0, 0, 0, 1}, 1e-6f);

    CMat4 fromIdentity(std::array<float, 16>{});
    ASSERT_TRUE(CMat4::identity().computeInverse(fromIdentity));
    EXPECT_TRUE(fromIdentity.identityHint());
}

TEST(CMat4, NearlySingularMatricesHaveNoInverse) {
    const std::array<float, 16> previous = {9, 8, 7, 6, 5, 4, 3, 2, 1, 0, 1, 2, 3, 4, 5, 6};
    const CMat4 cases[] = {
        scaleAndTranslate(1e-7f, 1, 1, 0, 0, 0),                 // determinant 1e-7
        scaleAndTranslate(5e-4f, 1e-3f, 1, 4, 4, 4),             // determinant 5e-7
        CMat4({1, 2, 3, 4, 2, 4, 6, 8, 0, 0, 1, 0, 0, 0, 0, 1}), // two equal rows
        CMat4({0, 0, 0, 0, 0, 0, 0, 0, 0, 0, 0, 0, 0, 0, 0, 0}),
    };
    for (const CMat4& m : cases) {
        CMat4 out(previous);
        EXPECT_FALSE(m.computeInverse(out));
        expectElements(out, previous);
    }
}

TEST(CMat4, ExtractScaleReadsTheDiagonalOrTheRowLengths) {
    EXPECT_TRUE(scaleAndTranslate(2, -3, 4, 7, 7, 7).extractScale().equals(CVector3d(2, -3, 4)));
    // Rotated by 90 degrees about z and scaled by (2, 3, 1).
    const CMat4 rotated({0, 2, 0, 0, -3, 0, 0, 0, 0, 0, 1, 0, 0, 0, 0, 1});
    EXPECT_TRUE(rotated.extractScale().equals(CVector3d(2, 3, 1)));
    const CMat4 sheared({3, 0, 4, 0, 0, 1, 0, 0, 0, 0, 2, 0, 0, 0, 0, 1});
    EXPECT_TRUE(sheared.extractScale().equals(CVector3d(5, 1, 2)));
}

TEST(CMat4, TranslationIsElementsTwelveToFourteen) {
    CMat4 m;
    m.setTranslation(CVector3d(4, 5, 6));
    EXPECT_FALSE(m.identityHint());
    EXPECT_EQ(m[12], 4.0f);
    EXPECT_EQ(m[13], 5.0f);
    EXPECT_EQ(m[14], 6.0f);
    EXPECT_TRUE(m.translation().equals(CVector3d(4, 5, 6)));
}
