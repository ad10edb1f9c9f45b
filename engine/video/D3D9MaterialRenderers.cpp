#include "engine/video/D3D9MaterialRenderers.h"

#include "engine/core/CLog.h"
#include "engine/video/CD3D9Driver.h"
#include "engine/video/IRenderServices.h"
#include "engine/video/MaterialTypes.h"

#include <cmath>

CD3D9MaterialRenderer::CD3D9MaterialRenderer(CD3D9Driver& driver) : m_driver(driver), m_device(driver.device()) {}

bool CD3D9MaterialRenderer::setVariable(bool, const char*, const float*, int32_t) {
    CLog::instance()->log("Invalid material to set variable in.", CLog::Info);
    return false;
}

namespace {

D3DBLEND blendOf(uint32_t code) {
    static constexpr D3DBLEND values[] = {D3DBLEND_ZERO,         D3DBLEND_ONE,         D3DBLEND_DESTCOLOR,
                                          D3DBLEND_INVDESTCOLOR, D3DBLEND_SRCCOLOR,    D3DBLEND_INVSRCCOLOR,
                                          D3DBLEND_SRCALPHA,     D3DBLEND_INVSRCALPHA, D3DBLEND_DESTALPHA,
                                          D3DBLEND_INVDESTALPHA, D3DBLEND_SRCALPHASAT};
    return code < std::size(values) ? values[code] : D3DBLEND(0);
}

// One fixed-function type: its stage and blend states, sent when the type
// (or the extra field it reads) changes.
class CD3D9FixedRenderer : public CD3D9MaterialRenderer {
public:
    CD3D9FixedRenderer(CD3D9Driver& driver, int32_t type) : CD3D9MaterialRenderer(driver), m_type(type) {}

    void setMaterial(const Material& m, const Material& last, bool reset, IRenderServices* services) override {
        bool changed = reset || m.materialType != last.materialType;
        if (m_type == MaterialType::TransparentAlphaChannel || m_type == MaterialType::OneTextureBlend)
            changed = changed || m.param1 != last.param1;
        if (m_type >= MaterialType::SpriteColorModulate)
            changed = changed || m.additive != last.additive;
        if (changed)
            sendStates(m);
        if (m_type == MaterialType::Solid) {
            stage(1, D3DTSS_COLOROP, D3DTOP_DISABLE);
            blend(false);
        }
        if (m_type >= MaterialType::TransparentAddColor && m_type <= MaterialType::TransparentVertexAlpha &&
            m.depthWrite) {
            Material withoutDepthWrite = m;
            withoutDepthWrite.depthWrite = false;
            services->applyBaseStates(withoutDepthWrite, last, reset);
            return;
        }
        services->applyBaseStates(m, last, reset);
    }

    void unsetMaterial() override {
        switch (m_type) {
        case MaterialType::SphereMap:
            m_device->SetTextureStageState(0, D3DTSS_TEXTURETRANSFORMFLAGS, D3DTTFF_DISABLE);
            m_device->SetTextureStageState(0, D3DTSS_TEXCOORDINDEX, 0);
            m_device->SetTransform(D3DTS_TEXTURE0, &CD3D9Driver::identityMatrix());
            break;
        case MaterialType::Reflection2Layer:
        case MaterialType::TransparentReflection2Layer:
            m_device->SetTextureStageState(1, D3DTSS_TEXTURETRANSFORMFLAGS, D3DTTFF_DISABLE);
            m_device->SetTextureStageState(1, D3DTSS_TEXCOORDINDEX, 1);
            m_device->SetTransform(D3DTS_TEXTURE1, &CD3D9Driver::identityMatrix());
            break;
        case MaterialType::TransparentAlphaChannel:
        case MaterialType::TransparentAlphaChannelRef:
        case MaterialType::SpriteColorModulate:
        case MaterialType::SpriteColorAdd:
        case MaterialType::Sprite2TAlphaModulateColorModulate:
            m_device->SetRenderState(D3DRS_ALPHATESTENABLE, FALSE);
            break;
        default:
            break;
        }
    }

    [[nodiscard]] bool isTransparent() const override {
        switch (m_type) {
        case MaterialType::TransparentAddColor:
        case MaterialType::TransparentAlphaChannel:
        case MaterialType::TransparentVertexAlpha:
        case MaterialType::TransparentReflection2Layer:
        case MaterialType::SpriteColorModulate:
        case MaterialType::SpriteColorAdd:
        case MaterialType::Sprite2TAlphaModulateColorModulate:
            return true;
        default:
            return false;
        }
    }

private:
    void stage(DWORD index, D3DTEXTURESTAGESTATETYPE state, DWORD value) {
        m_device->SetTextureStageState(index, state, value);
    }
    void colorOp(DWORD index, DWORD op, DWORD arg1 = D3DTA_TEXTURE, DWORD arg2 = D3DTA_DIFFUSE) {
        stage(index, D3DTSS_COLOROP, op);
        stage(index, D3DTSS_COLORARG1, arg1);
        stage(index, D3DTSS_COLORARG2, arg2);
    }
    void alphaOp(DWORD index, DWORD op, DWORD arg1 = D3DTA_TEXTURE, DWORD arg2 = D3DTA_DIFFUSE) {
        stage(index, D3DTSS_ALPHAOP, op);
        stage(index, D3DTSS_ALPHAARG1, arg1);
        stage(index, D3DTSS_ALPHAARG2, arg2);
    }
    void blend(bool on, D3DBLEND source = D3DBLEND_ONE, D3DBLEND destination = D3DBLEND_ZERO) {
        m_device->SetRenderState(D3DRS_ALPHABLENDENABLE, on ? TRUE : FALSE);
        if (on) {
            m_device->SetRenderState(D3DRS_SRCBLEND, source);
            m_device->SetRenderState(D3DRS_DESTBLEND, destination);
        }
    }
    void alphaTest(DWORD reference) {
        m_device->SetRenderState(D3DRS_ALPHAREF, reference);
        m_device->SetRenderState(D3DRS_ALPHAFUNC, D3DCMP_GREATEREQUAL);
        m_device->SetRenderState(D3DRS_ALPHATESTENABLE, TRUE);
    }
    void reflection() {
        colorOp(0, D3DTOP_MODULATE);
        stage(0, D3DTSS_ALPHAOP, D3DTOP_DISABLE);
        colorOp(1, D3DTOP_MODULATE, D3DTA_TEXTURE, D3DTA_CURRENT);
        m_device->SetTransform(D3DTS_TEXTURE1, &CD3D9Driver::sphereMapMatrix());
        stage(1, D3DTSS_TEXTURETRANSFORMFLAGS, D3DTTFF_COUNT2);
        stage(1, D3DTSS_TEXCOORDINDEX, D3DTSS_TCI_CAMERASPACEREFLECTIONVECTOR);
    }
    void sprite(const Material& m, DWORD op) {
        blend(true, D3DBLEND_SRCALPHA, m.additive ? D3DBLEND_ONE : D3DBLEND_INVSRCALPHA);
        colorOp(0, op);
        alphaOp(0, D3DTOP_MODULATE);
    }

    void sendStates(const Material& m) {
        switch (m_type) {
        case MaterialType::Solid:
            colorOp(0, D3DTOP_MODULATE);
            stage(0, D3DTSS_ALPHAOP, D3DTOP_DISABLE);
            break;
        case MaterialType::Solid2Layer:
            colorOp(0, D3DTOP_SELECTARG1);
            stage(0, D3DTSS_ALPHAOP, D3DTOP_DISABLE);
            stage(1, D3DTSS_TEXCOORDINDEX, 0);
            colorOp(1, D3DTOP_BLENDDIFFUSEALPHA, D3DTA_TEXTURE, D3DTA_CURRENT);
            blend(false);
            break;
        case MaterialType::DetailMap:
            colorOp(0, D3DTOP_MODULATE);
            stage(0, D3DTSS_ALPHAOP, D3DTOP_DISABLE);
            colorOp(1, D3DTOP_ADDSIGNED, D3DTA_TEXTURE, D3DTA_CURRENT);
            stage(1, D3DTSS_ALPHAOP, D3DTOP_DISABLE);
            stage(1, D3DTSS_TEXCOORDINDEX, 1);
            blend(false);
            break;
        case MaterialType::SphereMap:
            colorOp(0, D3DTOP_MODULATE);
            stage(0, D3DTSS_ALPHAOP, D3DTOP_DISABLE);
            stage(1, D3DTSS_COLOROP, D3DTOP_DISABLE);
            blend(false);
            m_device->SetTransform(D3DTS_TEXTURE0, &CD3D9Driver::sphereMapMatrix());
            stage(0, D3DTSS_TEXTURETRANSFORMFLAGS, D3DTTFF_COUNT2);
            stage(0, D3DTSS_TEXCOORDINDEX, D3DTSS_TCI_CAMERASPACENORMAL);
            break;
        case MaterialType::Reflection2Layer:
            reflection();
            blend(false);
            break;
        case MaterialType::TransparentReflection2Layer:
            reflection();
            blend(true, D3DBLEND_SRCALPHA, D3DBLEND_INVSRCALPHA);
            break;
        case MaterialType::TransparentAddColor:
            colorOp(0, D3DTOP_MODULATE);
            stage(0, D3DTSS_ALPHAOP, D3DTOP_DISABLE);
            stage(1, D3DTSS_COLOROP, D3DTOP_DISABLE);
            blend(true, D3DBLEND_ONE, D3DBLEND_INVSRCCOLOR);
            break;
        case MaterialType::TransparentAlphaChannel:
        case MaterialType::TransparentAlphaChannelRef: {
            colorOp(0, D3DTOP_MODULATE, D3DTA_TEXTURE, D3DTA_CURRENT);
            alphaOp(0, D3DTOP_SELECTARG1);
            stage(1, D3DTSS_COLOROP, D3DTOP_DISABLE);
            stage(1, D3DTSS_ALPHAOP, D3DTOP_DISABLE);
            if (m_type == MaterialType::TransparentAlphaChannel) {
                blend(true, D3DBLEND_SRCALPHA, D3DBLEND_INVSRCALPHA);
                const float scaled = std::floor(m.param1 * 255.0f);
                const DWORD reference = scaled >= 1.0f && scaled <= 255.0f ? DWORD(scaled) : 127;
                alphaTest(reference);
            } else {
                blend(false);
                alphaTest(127);
            }
            break;
        }
        case MaterialType::TransparentVertexAlpha:
            colorOp(0, D3DTOP_MODULATE);
            alphaOp(0, D3DTOP_SELECTARG1, D3DTA_DIFFUSE);
            stage(1, D3DTSS_COLOROP, D3DTOP_DISABLE);
            stage(1, D3DTSS_ALPHAOP, D3DTOP_DISABLE);
            blend(true, D3DBLEND_SRCALPHA, D3DBLEND_INVSRCALPHA);
            break;
        case MaterialType::OneTextureBlend: {
            const uint32_t packed = m.param1 >= 0.0f && m.param1 < 16777216.0f ? uint32_t(m.param1) : 0u;
            const uint32_t source = (packed >> 8) & 255u, destination = packed & 255u;
            const uint32_t modulation = (packed >> 16) & 255u;
            if (source == 4 && destination == 0)
                blend(false);
            else
                blend(true, blendOf(source), blendOf(destination));
            colorOp(0, modulation == 4 ? D3DTOP_MODULATE4X : modulation == 2 ? D3DTOP_MODULATE2X : D3DTOP_MODULATE);
            auto usesAlpha = [](uint32_t code) { return code >= 6 && code <= 10; };
            if (usesAlpha(source) || usesAlpha(destination))
                alphaOp(0, D3DTOP_SELECTARG1);
            else
                stage(0, D3DTSS_ALPHAOP, D3DTOP_DISABLE);
            stage(1, D3DTSS_COLOROP, D3DTOP_DISABLE);
            break;
        }
        case MaterialType::SpriteColorModulate:
        case MaterialType::SpriteColorAdd:
            sprite(m, m_type == MaterialType::SpriteColorAdd ? D3DTOP_ADD : D3DTOP_MODULATE);
            stage(1, D3DTSS_COLOROP, D3DTOP_DISABLE);
            stage(1, D3DTSS_ALPHAOP, D3DTOP_DISABLE);
            break;
        case MaterialType::Sprite2TAlphaModulateColorModulate:
            stage(0, D3DTSS_TEXCOORDINDEX, 0);
            sprite(m, D3DTOP_MODULATE);
            stage(1, D3DTSS_TEXCOORDINDEX, 1);
            colorOp(1, D3DTOP_MODULATE, D3DTA_TEXTURE, D3DTA_CURRENT);
            alphaOp(1, D3DTOP_MODULATE, D3DTA_TEXTURE, D3DTA_CURRENT);
            stage(2, D3DTSS_COLOROP, D3DTOP_DISABLE);
            stage(2, D3DTSS_ALPHAOP, D3DTOP_DISABLE);
            break;
        default:
            break;
        }
    }

    int32_t m_type;
};

} // namespace

void registerD3D9MaterialRenderers(CD3D9Driver& driver) {
    const int32_t types[] = {MaterialType::Solid,
                             MaterialType::Solid2Layer,
                             MaterialType::DetailMap,
                             MaterialType::SphereMap,
                             MaterialType::Reflection2Layer,
                             MaterialType::TransparentAddColor,
                             MaterialType::TransparentAlphaChannel,
                             MaterialType::TransparentAlphaChannelRef,
                             MaterialType::TransparentVertexAlpha,
                             MaterialType::TransparentReflection2Layer,
                             MaterialType::OneTextureBlend,
                             MaterialType::SpriteColorModulate,
                             MaterialType::SpriteColorAdd,
                             MaterialType::Sprite2TAlphaModulateColorModulate};
    for (int32_t type : types)
        (void)driver.addAndDropMaterialRenderer(type, new CD3D9FixedRenderer(driver, type));
}
