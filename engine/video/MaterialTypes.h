#pragma once

#include <cstdint>

// The built-in material types: indices into a driver's renderer table.
// Sprite nodes draw with SpriteColorModulate or SpriteColorAdd.
struct MaterialType {
    static constexpr int32_t Solid = 0;
    static constexpr int32_t Solid2Layer = 1;
    static constexpr int32_t Lightmap = 2;
    static constexpr int32_t LightmapAdd = 3;
    static constexpr int32_t LightmapM2 = 4;
    static constexpr int32_t LightmapM4 = 5;
    static constexpr int32_t LightmapLighting = 6;
    static constexpr int32_t LightmapLightingM2 = 7;
    static constexpr int32_t LightmapLightingM4 = 8;
    static constexpr int32_t DetailMap = 9;
    static constexpr int32_t SphereMap = 10;
    static constexpr int32_t Reflection2Layer = 11;
    static constexpr int32_t TransparentAddColor = 12;
    static constexpr int32_t TransparentAlphaChannel = 13;
    static constexpr int32_t TransparentAlphaChannelRef = 14;
    static constexpr int32_t TransparentVertexAlpha = 15;
    static constexpr int32_t TransparentReflection2Layer = 16;
    static constexpr int32_t NormalMapSolid = 17;
    static constexpr int32_t NormalMapTransparentAdd = 18;
    static constexpr int32_t NormalMapTransparentVertexAlpha = 19;
    static constexpr int32_t ParallaxMapSolid = 20;
    static constexpr int32_t ParallaxMapTransparentAdd = 21;
    static constexpr int32_t ParallaxMapTransparentVertexAlpha = 22;
    static constexpr int32_t OneTextureBlend = 23;
    static constexpr int32_t SpriteColorModulate = 24;
    static constexpr int32_t SpriteColorAdd = 25;
    static constexpr int32_t Sprite2TAlphaModulateColorModulate = 26;
    static constexpr int32_t Sprite2TAlphaModulateColorAdd = 27;
    static constexpr int32_t Sprite2TAlphaModulateColor2 = 28;

    static constexpr int32_t BuiltInCount = 29;
};

// The name of built-in type `index`, or null outside 0 to 28.
[[nodiscard]] constexpr const char* builtInMaterialTypeName(int32_t index) {
    constexpr const char* names[MaterialType::BuiltInCount] = {
        "solid",
        "solid_2layer",
        "lightmap",
        "lightmap_add",
        "lightmap_m2",
        "lightmap_m4",
        "lightmap_light",
        "lightmap_light_m2",
        "lightmap_light_m4",
        "detail_map",
        "sphere_map",
        "reflection_2layer",
        "trans_add",
        "trans_alphach",
        "trans_alphach_ref",
        "trans_vertex_alpha",
        "trans_reflection_2layer",
        "normalmap_solid",
        "normalmap_trans_add",
        "normalmap_trans_vertexalpha",
        "parallaxmap_solid",
        "parallaxmap_trans_add",
        "parallaxmap_trans_vertexalpha",
        "onetexture_blend",
        "sprite_color_modulate",
        "sprite_color_add",
        "sprite_2t_alpha_modulate_color_modulate",
        "sprite_2t_alpha_modulate_color_add",
        "sprite_2t_alpha_modulate_color2",
    };
    return index >= 0 && index < MaterialType::BuiltInCount ? names[index] : nullptr;
}
