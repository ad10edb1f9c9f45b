#include "engine/core/Easing.h"

#include "engine/core/MathUtils.h"

#include <array>
#include <cmath>

namespace {

// Back curves: overshoot s and its s + 1, for in/out and for in-out.
constexpr float kBackOvershoot = 1.70158f;
constexpr float kBackOvershootPlusOne = 2.70158f;
constexpr float kBackOvershootInOut = 2.5949094f;
constexpr float kBackOvershootInOutPlusOne = 3.5949094f;

// 2^exponent, taken in double and rounded to float.
float powerOfTwo(float exponent) { return static_cast<float>(std::pow(2.0, static_cast<double>(exponent))); }

float linear(float t, float b, float c) { return c * t + b; }

float quadraticIn(float t, float b, float c) { return c * t * t + b; }
float quadraticOut(float t, float b, float c) { return b - c * t * (t - 2.0f); }
float quadraticInOut(float t, float b, float c) {
    float d = t * 2.0f;
    if (d < 1.0f)
        return b + c / 2.0f * d * d;
    return b - c / 2.0f * ((d - 1.0f) * (d - 3.0f) - 1.0f);
}

float cubicIn(float t, float b, float c) { return c * t * t * t + b; }
float cubicOut(float t, float b, float c) {
    const float d = t - 1.0f;
    return c * (d * d * d + 1.0f) + b;
}
float cubicInOut(float t, float b, float c) {
    float d = t * 2.0f;
    if (d < 1.0f)
        return b + c / 2.0f * d * d * d;
    d -= 2.0f;
    return b + c / 2.0f * (d * d * d + 2.0f);
}

float quarticIn(float t, float b, float c) { return c * t * t * t * t + b; }
float quarticOut(float t, float b, float c) {
    const float d = t - 1.0f;
    return b - c * (d * d * d * d - 1.0f);
}
float quarticInOut(float t, float b, float c) {
    float d = t * 2.0f;
    if (d < 1.0f)
        return b + c / 2.0f * d * d * d * d;
    d -= 2.0f;
    return b - c / 2.0f * (d * d * d * d - 2.0f);
}

float quinticIn(float t, float b, float c) { return c * t * t * t * t * t + b; }
float quinticOut(float t, float b, float c) {
    const float d = t - 1.0f;
    return c * (d * d * d * d * d + 1.0f) + b;
}
float quinticInOut(float t, float b, float c) {
    float d = t * 2.0f;
    if (d < 1.0f)
        return b + c / 2.0f * d * d * d * d * d;
    d -= 2.0f;
    return b + c / 2.0f * (d * d * d * d * d + 2.0f);
}

float exponentialIn(float t, float b, float c) {
    if (t == 0.0f)
        return b;
    return c * powerOfTwo(10.0f * (t - 1.0f)) + b;
}
float exponentialOut(float t, float b, float c) {
    if (t == 1.0f)
        return b + c;
    return c * (1.0f - powerOfTwo(-10.0f * t)) + b;
}
float exponentialInOut(float t, float b, float c) {
    if (t == 0.0f)
        return b;
    if (t == 1.0f)
        return b + c;
    const float d = t * 2.0f;
    if (d < 1.0f)
        return b + c / 2.0f * powerOfTwo(10.0f * (d - 1.0f));
    return b + c / 2.0f * (2.0f - powerOfTwo(-10.0f * (d - 1.0f)));
}

float sineIn(float t, float b, float c) { return c - c * std::cos(t * kHalfPi) + b; }
float sineOut(float t, float b, float c) { return c * std::sin(t * kHalfPi) + b; }
float sineInOut(float t, float b, float c) { return b - (std::cos(kPi * t) - 1.0f) * (c / 2.0f); }

float circularIn(float t, float b, float c) { return b - (std::sqrt(1.0f - t * t) - 1.0f) * c; }
float circularOut(float t, float b, float c) {
    const float d = t - 1.0f;
    return c * std::sqrt(1.0f - d * d) + b;
}
float circularInOut(float t, float b, float c) {
    float d = t * 2.0f;
    if (d < 1.0f)
        return b - (std::sqrt(1.0f - d * d) - 1.0f) * (c / 2.0f);
    d -= 2.0f;
    return c / 2.0f * (std::sqrt(1.0f - d * d) + 1.0f) + b;
}

float elasticIn(float t, float b, float c) {
    if (t == 0.0f)
        return b;
    if (t == 1.0f)
        return b + c;
    const float d = t - 1.0f;
    return b - std::sin((d - 0.075f) * kTwoPi / 0.3f) * c * powerOfTwo(10.0f * d);
}
float elasticOut(float t, float b, float c) {
    if (t == 0.0f)
        return b;
    if (t == 1.0f)
        return b + c;
    return c + std::sin((t - 0.075f) * kTwoPi / 0.3f) * c * powerOfTwo(-10.0f * t) + b;
}
float elasticInOut(float t, float b, float c) {
    if (t == 0.0f)
        return b;
    if (t == 1.0f)
        return b + c;
    const float d = t * 2.0f;
    const float e = d - 1.0f;
    const float wave = std::sin((e - 0.1125f) * kTwoPi / 0.45f);
    if (d < 1.0f)
        return b - 0.5f * wave * c * powerOfTwo(10.0f * e);
    return c + 0.5f * wave * c * powerOfTwo(-10.0f * e) + b;
}

float bounceOut(float t, float b, float c) {
    constexpr float k = 7.5625f;
    if (t < 0.36363637f)
        return b + c * (k * t * t);
    if (t < 0.72727275f) {
        const float h = t - 0.54545456f;
        return b + c * (k * h * h + 0.75f);
    }
    if (t < 0.9090909090909091) {
        const float h = t - 0.8181818f;
        return b + c * (k * h * h + 0.9375f);
    }
    const float h = t - 0.95454544f;
    return b + c * (k * h * h + 0.984375f);
}
float bounceIn(float t, float b, float c) { return c - bounceOut(1.0f - t, 0.0f, c) + b; }
float bounceInOut(float t, float b, float c) {
    const float d = t * 2.0f;
    if (d < 1.0f)
        return (c - bounceOut(1.0f - d, 0.0f, c)) * 0.5f + b;
    return bounceOut(d - 1.0f, 0.0f, c) * 0.5f + c * 0.5f + b;
}

float backIn(float t, float b, float c) { return c * t * t * (kBackOvershootPlusOne * t - kBackOvershoot) + b; }
float backOut(float t, float b, float c) {
    const float d = t - 1.0f;
    return c * ((kBackOvershootPlusOne * d + kBackOvershoot) * d * d + 1.0f) + b;
}
float backInOut(float t, float b, float c) {
    float d = t * 2.0f;
    if (d < 1.0f)
        return b + c / 2.0f * d * d * (kBackOvershootInOutPlusOne * d - kBackOvershootInOut);
    d -= 2.0f;
    return b + c / 2.0f * (d * d * (kBackOvershootInOutPlusOne * d + kBackOvershootInOut) + 2.0f);
}

constexpr std::array<EasingFunction, kEasingFunctionCount> kCurves = {
    linear,         quadraticIn,      quadraticOut, quadraticInOut, cubicIn,    cubicOut,     cubicInOut,
    quarticIn,      quarticOut,       quarticInOut, quinticIn,      quinticOut, quinticInOut, exponentialIn,
    exponentialOut, exponentialInOut, sineIn,       sineOut,        sineInOut,  circularIn,   circularOut,
    circularInOut,  elasticIn,        elasticOut,   elasticInOut,   bounceIn,   bounceOut,    bounceInOut,
    backIn,         backOut,          backInOut,
};

} // namespace

EasingFunction getEasingFunction(unsigned index) { return index < kCurves.size() ? kCurves[index] : nullptr; }

float evaluateEasing(unsigned index, float t, float b, float c) {
    const EasingFunction curve = getEasingFunction(index);
    return curve ? curve(t, b, c) : b;
}
