#pragma once

#include "engine/core/CVector3d.h"

#include <array>

// A 4x4 float matrix; translation in elements 12, 13 and 14.
// It carries an is-identity hint so that the many untransformed nodes skip
// the arithmetic: the hint is set only when the matrix is known to be the
// identity, and every write through the element accessors clears it.
class CMat4 {
public:
    // The identity, with the hint set.
    CMat4();
    // The given elements, hint clear.
    explicit CMat4(const std::array<float, 16>& elements);

    // A shared identity matrix with the hint set.
    [[nodiscard]] static const CMat4& identity();

    [[nodiscard]] float operator[](int index) const { return m_elements[index]; }
    // Writable element; clears the hint.
    float& operator[](int index) {
        m_identityHint = false;
        return m_elements[index];
    }
    [[nodiscard]] const float* data() const { return m_elements.data(); }

    // True when the hint is set, or when every element lies within 1e-6 of
    // the identity's (which then sets the hint).
    [[nodiscard]] bool isIdentity() const;
    [[nodiscard]] bool identityHint() const { return m_identityHint; }

    // P[4i + j] = sum over k of other[4i + k] * this[4k + j]; an identity
    // operand returns a copy of the other one.
    [[nodiscard]] CMat4 multiply(const CMat4& other) const;

    // Applies the matrix to a point in place (no projective divide).
    void transformPoint(CVector3d& point) const;

    [[nodiscard]] CMat4 transpose() const;

    // Writes the inverse to `out` and answers true; answers false and leaves
    // `out` untouched when |determinant| <= 1e-6.
    [[nodiscard]] bool computeInverse(CMat4& out) const;

    // Scale along the three axes (the lengths of the basis rows when the
    // matrix rotates or shears).
    [[nodiscard]] CVector3d extractScale() const;

    void setTranslation(const CVector3d& translation);
    [[nodiscard]] CVector3d translation() const { return {m_elements[12], m_elements[13], m_elements[14]}; }

private:
    std::array<float, 16> m_elements;
    mutable bool m_identityHint;
};
