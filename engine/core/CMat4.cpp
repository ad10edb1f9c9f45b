#include "engine/core/CMat4.h"

#include "engine/core/MathUtils.h"

namespace {

constexpr std::array<float, 16> kIdentityElements = {1, 0, 0, 0, 0, 1, 0, 0, 0, 0, 1, 0, 0, 0, 0, 1};

} // namespace

CMat4::CMat4() : m_elements(kIdentityElements), m_identityHint(true) {}

CMat4::CMat4(const std::array<float, 16>& elements) : m_elements(elements), m_identityHint(false) {}

const CMat4& CMat4::identity() {
    static const CMat4 shared;
    return shared;
}

bool CMat4::isIdentity() const {
    if (m_identityHint)
        return true;
    // Most matrices that are not the identity move or scale: the translation
    // and the diagonal are tested first, so that they are turned down at once.
    static constexpr int kOrder[16] = {12, 13, 14, 0, 5, 10, 15, 1, 2, 3, 4, 6, 7, 8, 9, 11};
    for (const int k : kOrder) {
        const bool diagonal = k % 5 == 0;
        if (diagonal ? !equalsWithin(1.0f, m_elements[k]) : !isWithin(m_elements[k], kTolerance))
            return false;
    }
    m_identityHint = true;
    return true;
}

CMat4 CMat4::multiply(const CMat4& other) const {
    if (isIdentity())
        return other;
    if (other.isIdentity())
        return *this;
    CMat4 product;
    for (int i = 0; i < 4; ++i) {
        for (int j = 0; j < 4; ++j) {
            long double sum = 0.0L;
            for (int k = 0; k < 4; ++k)
                sum += static_cast<long double>(other.m_elements[4 * i + k]) * m_elements[4 * k + j];
            product.m_elements[4 * i + j] = static_cast<float>(sum);
        }
    }
    product.m_identityHint = false;
    return product;
}

void CMat4::transformPoint(CVector3d& point) const {
    const std::array<float, 16>& e = m_elements;
    const CVector3d p = point;
    point.x = p.x * e[0] + p.y * e[4] + p.z * e[8] + e[12];
    point.y = p.x * e[1] + p.y * e[5] + p.z * e[9] + e[13];
    point.z = p.x * e[2] + p.y * e[6] + p.z * e[10] + e[14];
}

CMat4 CMat4::transpose() const {
    CMat4 result;
    for (int i = 0; i < 4; ++i)
        for (int j = 0; j < 4; ++j)
            result.m_elements[4 * i + j] = m_elements[4 * j + i];
    result.m_identityHint = m_identityHint;
    return result;
}

bool CMat4::computeInverse(CMat4& out) const {
    // Cofactor expansion over the 2x2 minors of the top and bottom halves.
    const std::array<float, 16>& a = m_elements;
    const float s0 = a[0] * a[5] - a[4] * a[1];
    const float s1 = a[0] * a[6] - a[4] * a[2];
    const float s2 = a[0] * a[7] - a[4] * a[3];
    const float s3 = a[1] * a[6] - a[5] * a[2];
    const float s4 = a[1] * a[7] - a[5] * a[3];
    const float s5 = a[2] * a[7] - a[6] * a[3];
    const float c5 = a[10] * a[15] - a[14] * a[11];
    const float c4 = a[9] * a[15] - a[13] * a[11];
    const float c3 = a[9] * a[14] - a[13] * a[10];
    const float c2 = a[8] * a[15] - a[12] * a[11];
    const float c1 = a[8] * a[14] - a[12] * a[10];
    const float c0 = a[8] * a[13] - a[12] * a[9];

    const float determinant = s0 * c5 - s1 * c4 + s2 * c3 + s3 * c2 - s4 * c1 + s5 * c0;
    if (isWithin(determinant, kTolerance))
        return false;
    const float f = 1.0f / determinant;

    std::array<float, 16> b;
    b[0] = (a[5] * c5 - a[6] * c4 + a[7] * c3) * f;
    b[1] = (-a[1] * c5 + a[2] * c4 - a[3] * c3) * f;
    b[2] = (a[13] * s5 - a[14] * s4 + a[15] * s3) * f;
    b[3] = (-a[9] * s5 + a[10] * s4 - a[11] * s3) * f;
    b[4] = (-a[4] * c5 + a[6] * c2 - a[7] * c1) * f;
    b[5] = (a[0] * c5 - a[2] * c2 + a[3] * c1) * f;
    b[6] = (-a[12] * s5 + a[14] * s2 - a[15] * s1) * f;
    b[7] = (a[8] * s5 - a[10] * s2 + a[11] * s1) * f;
    b[8] = (a[4] * c4 - a[5] * c2 + a[7] * c0) * f;
    b[9] = (-a[0] * c4 + a[1] * c2 - a[3] * c0) * f;
    b[10] = (a[12] * s4 - a[13] * s2 + a[15] * s0) * f;
    b[11] = (-a[8] * s4 + a[9] * s2 - a[11] * s0) * f;
    b[12] = (-a[4] * c3 + a[5] * c1 - a[6] * c0) * f;
    b[13] = (a[0] * c3 - a[1] * c1 + a[2] * c0) * f;
    b[14] = (-a[12] * s3 + a[13] * s1 - a[14] * s0) * f;
    b[15] = (a[8] * s3 - a[9] * s1 + a[10] * s0) * f;

    out.m_elements = b;
    out.m_identityHint = m_identityHint;
    return true;
}

CVector3d CMat4::extractScale() const {
    const std::array<float, 16>& e = m_elements;
    if (isWithin(e[1], kTolerance) && isWithin(e[2], kTolerance) && isWithin(e[4], kTolerance) &&
        isWithin(e[6], kTolerance) && isWithin(e[8], kTolerance) && isWithin(e[9], kTolerance))
        return {e[0], e[5], e[10]};
    return {CVector3d(e[0], e[1], e[2]).length(), CVector3d(e[4], e[5], e[6]).length(),
            CVector3d(e[8], e[9], e[10]).length()};
}

void CMat4::setTranslation(const CVector3d& translation) {
    m_elements[12] = translation.x;
    m_elements[13] = translation.y;
    m_elements[14] = translation.z;
    m_identityHint = false;
}
