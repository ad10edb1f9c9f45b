#pragma once

// Easing curves that shape animated property changes. Each maps a normalised
// time t (0 at the start, 1 at the end) to a value from b to b + c, where c
// is the change; some overshoot on the way.
using EasingFunction = float (*)(float t, float b, float c);

// Curves by index: 0 linear; then in, out and in-out of quadratic (1-3),
// cubic (4-6), quartic (7-9), quintic (10-12), exponential (13-15), sine
// (16-18), circular (19-21), elastic (22-24), bounce (25-27), back (28-30).
inline constexpr unsigned kEasingFunctionCount = 31;

// The curve with that index, or null past the last one.
[[nodiscard]] EasingFunction getEasingFunction(unsigned index);

// The curve's value at t; b when the index has no curve.
[[nodiscard]] float evaluateEasing(unsigned index, float t, float b, float c);
