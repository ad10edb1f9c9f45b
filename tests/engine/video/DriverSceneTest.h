#pragma once

#include "engine/content/CPixelImage.h"
#include "engine/core/CColor.h"
#include "engine/core/CRefHandle.h"
#include "engine/video/IGraphicsDriver.h"
#include "tests/engine/video/DriverTestSupport.h"

#include <gtest/gtest.h>

#include <cstdint>
#include <memory>
#include <string>

struct CEngineCreationParams;

// A driver drawing on a hidden target, with what keeps that target alive
// (let go after the driver).
struct SceneDriver {
    std::shared_ptr<void> target;
    CRefHandle<IGraphicsDriver> driver;
};

// One kind of driver the scene tests run on. Each driver's test file
// instantiates DriverSceneTest with its kind:
//
//   INSTANTIATE_TEST_SUITE_P(OpenGL, DriverSceneTest, testing::Values(kind), sceneDriverName);
struct SceneDriverKind {
    const char* name;
    // Makes a driver for `params` (its type, size, colour bits and stencil);
    // an empty driver with the reason in `error` when it cannot be made.
    SceneDriver (*make)(const CEngineCreationParams& params, std::string* error);
    // Whether a machine without it skips the tests (OpenGL on a machine with
    // no context at all) rather than failing them.
    bool optional;
    // The driver type of the creation parameters.
    int32_t driverType;
};

void PrintTo(const SceneDriverKind& kind, std::ostream* out);
[[nodiscard]] std::string sceneDriverName(const testing::TestParamInfo<SceneDriverKind>& info);

// The same scenes drawn through every driver, each compared with what the
// drawing means rather than with one driver's output: a colour off by a
// rounding step passes, anything more does not.
class DriverSceneTest : public testing::TestWithParam<SceneDriverKind> {
public:
    static constexpr int32_t ScreenWidth = 64;
    static constexpr int32_t ScreenHeight = 48;
    // The rounding two drivers may differ by in one channel.
    static constexpr int Tolerance = 2;

protected:
    void SetUp() override;
    void TearDown() override;

    [[nodiscard]] IGraphicsDriver& driver() { return *m_made.driver; }
    // The frame drawn so far.
    [[nodiscard]] CRefHandle<CPixelImage> screenshot();
    // A texture of this driver from an image made by `makeImage`.
    [[nodiscard]] CRefHandle<IDriverTexture> upload(CPixelImage* image);

    SceneDriver m_made;
};
