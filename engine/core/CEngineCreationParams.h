#pragma once

#include <cstdint>

// How the engine, its window and its drivers are to be created. A plain
// record passed by value; the defaults are the ones the engine starts from.
// Five flags are kept for the record's sake and read by nobody.
struct CEngineCreationParams {
    static constexpr int32_t DriverNull = 0;
    static constexpr int32_t DriverDirect3D8 = 1;
    static constexpr int32_t DriverDirect3D9 = 2;
    static constexpr int32_t DriverOpenGL = 3;

    static constexpr int32_t AudioNull = 0;
    static constexpr int32_t AudioOpenAL = 1;

    // The version every engine reports; a copy taken into the engine keeps it
    // whatever the given record says.
    static constexpr const char* EngineVersion = "0.9.5";

    int32_t driverType = DriverNull;
    int32_t width = 800;
    int32_t height = 600;
    int32_t colorBits = 16;
    uint8_t depthBits = 16;
    bool fullScreen = false;
    bool resizable = false;
    bool stencil = false;
    bool vsync = false;
    bool antiAlias = false;
    // Take the desktop's size instead of width and height.
    bool desktopSize = false;
    bool unusedFlagA = false;
    bool unusedFlagB = true;
    bool unusedFlagsC[3] = {false, false, false};
    // Read by drivers that would otherwise lower the FPU precision.
    bool keepFloatPrecision = false;
    // An existing window to render into instead of creating one.
    void* hostWindow = nullptr;
    int32_t audioType = AudioNull;
    // Run the audio device's update thread.
    bool audioThread = false;
    const char* version = EngineVersion;
};
