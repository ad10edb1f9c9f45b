#include "engine/video/D3D8MaterialRenderers.h"

#include "engine/video/CD3D8Driver.h"
#include "engine/video/IMaterialTypeRenderer.h"
#include "engine/video/IRenderServices.h"
#include "engine/video/Material.h"

#include <cmath>

namespace {

// What every fixed-function renderer of this driver shares: the device and
// the driver (neither owned), the per-draw answers, and the rule that a
// renderer's own states go out only when the type changed or a reset is due.
class CD3D8MaterialRenderer : public IMaterialTypeRenderer {
public:
    explicit CD3D8MaterialRenderer(CD3D8Driver& driver) : m_driver(driver) {}

    void setMaterial(const Material& material, const Material& lastMaterial, bool resetAll,
                     IRenderServices* services) override {
        if (material.materialType != lastMaterial.materialType || resetAll || changed(material, lastMaterial))
            setStates(material);
        always(material);
        services->applyBaseStates(adjusted(material), lastMaterial, resetAll);
    }
    void unsetMaterial() override {}
    [[nodiscard]] bool onRender(IRenderServices*, VertexType) override { return true; }
    [[nodiscard]] bool onRenderQuery(IRenderServices*, VertexType) override { return true; }
    [[nodiscard]] bool isTransparent() const override { return false; }
    [[nodiscard]] int32_t renderCapability() const override { return 0; }

protected:
    // A renderer-specific field (param1, additive) changed.
    [[nodiscard]] virtual bool changed(const Material&, const Material&) const { return false; }
    virtual void setStates(const Material& material) = 0;
    // States sent on every application.
    virtual void always(const Material&) {}
    // The material the basic states are taken from.
    [[nodiscard]] virtual const Material& adjusted(const Material& material) { return material; }

    IDirect3DDevice8* device() const { return m_driver.device(); }
    void stage(DWORD stage, D3DTEXTURESTAGESTATETYPE state, DWORD value) const {
        (void)device()->SetTextureStageState(stage, state, value);
    }
    void colorOp(DWORD s, DWORD op, DWORD arg1, DWORD arg2) const {
        stage(s, D3DTSS_COLOROP, op);
        stage(s, D3DTSS_COLORARG1, arg1);
        stage(s, D3DTSS_COLORARG2, arg2);
    }
    void alphaOp(DWORD s, DWORD op, DWORD arg1, DWORD arg2) const {
        stage(s, D3DTSS_ALPHAOP, op);
        stage(s, D3DTSS_ALPHAARG1, arg1);
        stage(s, D3DTSS_ALPHAARG2, arg2);
    }
    void render(D3DRENDERSTATETYPE state, DWORD value) const { (void)device()->SetRenderState(state, value); }
    void blend(DWORD source, DWORD destination) const {
        render(D3DRS_ALPHABLENDENABLE, TRUE);
        render(D3DRS_SRCBLEND, source);
        render(D3DRS_DESTBLEND, destination);
    }
    void noBlend() const { render(D3DRS_ALPHABLENDENABLE, FALSE); }

    CD3D8Driver& m_driver;
};

// Types 12 to 15 never write depth, whatever the material asks.
class CD3D8NoDepthWriteRenderer : public CD3D8MaterialRenderer {
public:
    using CD3D8MaterialRenderer::CD3D8MaterialRenderer;

protected:
    const Material& adjusted(const Material& material) override {
        m_material = material;
        m_material.depthWrite = false;
        return m_material;
    }

private:
    Material m_material;
};

class CSolidRenderer : public CD3D8MaterialRenderer {
public:
    using CD3D8MaterialRenderer::CD3D8MaterialRenderer;

protected:
    void setStates(const Material&) override {
        colorOp(0, D3DTOP_MODULATE, D3DTA_TEXTURE, D3DTA_DIFFUSE);
        stage(0, D3DTSS_ALPHAOP, D3DTOP_DISABLE);
    }
    void always(const Material&) override {
        stage(1, D3DTSS_COLOROP, D3DTOP_DISABLE);
        noBlend();
    }
};

class CSolid2LayerRenderer : public CD3D8MaterialRenderer {
public:
    using CD3D8MaterialRenderer::CD3D8MaterialRenderer;

protected:
    void setStates(const Material&) override {
        colorOp(0, D3DTOP_SELECTARG1, D3DTA_TEXTURE, D3DTA_DIFFUSE);
        stage(0, D3DTSS_ALPHAOP, D3DTOP_DISABLE);
        stage(1, D3DTSS_TEXCOORDINDEX, 0);
        stage(1, D3DTSS_COLOROP, D3DTOP_BLENDDIFFUSEALPHA);
        noBlend();
    }
};

class CDetailMapRenderer : public CD3D8MaterialRenderer {
public:
    using CD3D8MaterialRenderer::CD3D8MaterialRenderer;

protected:
    void setStates(const Material&) override {
        colorOp(0, D3DTOP_MODULATE, D3DTA_TEXTURE, D3DTA_DIFFUSE);
        stage(0, D3DTSS_ALPHAOP, D3DTOP_DISABLE);
        colorOp(1, D3DTOP_ADDSIGNED, D3DTA_TEXTURE, D3DTA_CURRENT);
        stage(1, D3DTSS_ALPHAOP, D3DTOP_DISABLE);
        stage(1, D3DTSS_TEXCOORDINDEX, 1);
        noBlend();
    }
};

class CSphereMapRenderer : public CD3D8MaterialRenderer {
public:
    using CD3D8MaterialRenderer::CD3D8MaterialRenderer;
    void unsetMaterial() override {
        stage(0, D3DTSS_TEXTURETRANSFORMFLAGS, D3DTTFF_DISABLE);
        stage(0, D3DTSS_TEXCOORDINDEX, 0);
        (void)device()->SetTransform(D3DTS_TEXTURE0, &m_driver.identityMatrix());
    }

protected:
    void setStates(const Material&) override {
        colorOp(0, D3DTOP_MODULATE, D3DTA_TEXTURE, D3DTA_DIFFUSE);
        stage(0, D3DTSS_ALPHAOP, D3DTOP_DISABLE);
        stage(1, D3DTSS_COLOROP, D3DTOP_DISABLE);
        noBlend();
        (void)device()->SetTransform(D3DTS_TEXTURE0, &m_driver.sphereMapMatrix());
        stage(0, D3DTSS_TEXTURETRANSFORMFLAGS, D3DTTFF_COUNT2);
        stage(0, D3DTSS_TEXCOORDINDEX, D3DTSS_TCI_CAMERASPACENORMAL);
    }
};

class CReflection2LayerRenderer : public CD3D8MaterialRenderer {
public:
    CReflection2LayerRenderer(CD3D8Driver& driver, bool transparent)
        : CD3D8MaterialRenderer(driver), m_transparent(transparent) {}
    void unsetMaterial() override {
        stage(1, D3DTSS_TEXTURETRANSFORMFLAGS, D3DTTFF_DISABLE);
        stage(1, D3DTSS_TEXCOORDINDEX, 1);
        (void)device()->SetTransform(D3DTS_TEXTURE1, &m_driver.identityMatrix());
    }
    [[nodiscard]] bool isTransparent() const override { return m_transparent; }

protected:
    void setStates(const Material&) override {
        colorOp(0, D3DTOP_MODULATE, D3DTA_TEXTURE, D3DTA_DIFFUSE);
        stage(0, D3DTSS_ALPHAOP, D3DTOP_DISABLE);
        colorOp(1, D3DTOP_MODULATE, D3DTA_TEXTURE, D3DTA_CURRENT);
        (void)device()->SetTransform(D3DTS_TEXTURE1, &m_driver.sphereMapMatrix());
        stage(1, D3DTSS_TEXTURETRANSFORMFLAGS, D3DTTFF_COUNT2);
        stage(1, D3DTSS_TEXCOORDINDEX, D3DTSS_TCI_CAMERASPACEREFLECTIONVECTOR);
        if (m_transparent)
            blend(D3DBLEND_SRCALPHA, D3DBLEND_INVSRCALPHA);
        else
            noBlend();
    }

private:
    bool m_transparent;
};

class CTransAddRenderer : public CD3D8NoDepthWriteRenderer {
public:
    using CD3D8NoDepthWriteRenderer::CD3D8NoDepthWriteRenderer;
    [[nodiscard]] bool isTransparent() const override { return true; }

protected:
    void setStates(const Material&) override {
        colorOp(0, D3DTOP_MODULATE, D3DTA_TEXTURE, D3DTA_DIFFUSE);
        stage(0, D3DTSS_ALPHAOP, D3DTOP_DISABLE);
        stage(1, D3DTSS_COLOROP, D3DTOP_DISABLE);
        blend(D3DBLEND_ONE, D3DBLEND_INVSRCCOLOR);
    }
};

// "trans_alphach" (blended, reference from param1) and "trans_alphach_ref"
// (alpha test alone).
class CTransAlphaChannelRenderer : public CD3D8NoDepthWriteRenderer {
public:
    CTransAlphaChannelRenderer(CD3D8Driver& driver, bool blended)
        : CD3D8NoDepthWriteRenderer(driver), m_blended(blended) {}
    void unsetMaterial() override { render(D3DRS_ALPHATESTENABLE, FALSE); }
    [[nodiscard]] bool isTransparent() const override { return m_blended; }

protected:
    bool changed(const Material& a, const Material& b) const override { return m_blended && a.param1 != b.param1; }
    void setStates(const Material& material) override {
        colorOp(0, D3DTOP_MODULATE, D3DTA_TEXTURE, D3DTA_CURRENT);
        alphaOp(0, D3DTOP_SELECTARG1, D3DTA_TEXTURE, D3DTA_CURRENT);
        stage(1, D3DTSS_COLOROP, D3DTOP_DISABLE);
        stage(1, D3DTSS_ALPHAOP, D3DTOP_DISABLE);
        DWORD reference = 127;
        if (m_blended) {
            blend(D3DBLEND_SRCALPHA, D3DBLEND_INVSRCALPHA);
            const float scaled = std::floor(material.param1 * 255.0f);
            if (scaled > 0.0f)
                reference = scaled >= 255.0f ? 255 : DWORD(scaled);
        } else {
            noBlend();
        }
        render(D3DRS_ALPHAREF, reference);
        render(D3DRS_ALPHAFUNC, D3DCMP_GREATEREQUAL);
        render(D3DRS_ALPHATESTENABLE, TRUE);
    }

private:
    bool m_blended;
};

// Only stage 1's colour operation is switched off: its alpha operation stays
// as it was.
class CTransVertexAlphaRenderer : public CD3D8NoDepthWriteRenderer {
public:
    using CD3D8NoDepthWriteRenderer::CD3D8NoDepthWriteRenderer;
    [[nodiscard]] bool isTransparent() const override { return true; }

protected:
    void setStates(const Material&) override {
        colorOp(0, D3DTOP_MODULATE, D3DTA_TEXTURE, D3DTA_DIFFUSE);
        alphaOp(0, D3DTOP_SELECTARG1, D3DTA_DIFFUSE, D3DTA_CURRENT);
        stage(1, D3DTSS_COLOROP, D3DTOP_DISABLE);
        blend(D3DBLEND_SRCALPHA, D3DBLEND_INVSRCALPHA);
    }
};

class COneTextureBlendRenderer : public CD3D8MaterialRenderer {
public:
    using CD3D8MaterialRenderer::CD3D8MaterialRenderer;

protected:
    bool changed(const Material& a, const Material& b) const override { return a.param1 != b.param1; }
    void setStates(const Material& material) override {
        const float value = material.param1;
        const uint32_t packed = value > 0.0f && value < 4294967296.0f ? uint32_t(value) : 0;
        const uint32_t source = (packed >> 8) & 255, destination = packed & 255, modulate = (packed >> 16) & 255;
        if (source == 4 && destination == 0)
            noBlend();
        else
            blend(d3d8BlendFactor(source), d3d8BlendFactor(destination));
        const DWORD op = modulate == 2 ? D3DTOP_MODULATE2X : modulate == 4 ? D3DTOP_MODULATE4X : D3DTOP_MODULATE;
        colorOp(0, op, D3DTA_TEXTURE, D3DTA_DIFFUSE);
        const bool alpha = (source >= 6 && source <= 10) || (destination >= 6 && destination <= 10);
        if (alpha)
            alphaOp(0, D3DTOP_SELECTARG1, D3DTA_TEXTURE, D3DTA_CURRENT);
        else
            stage(0, D3DTSS_ALPHAOP, D3DTOP_DISABLE);
        stage(1, D3DTSS_COLOROP, D3DTOP_DISABLE);
    }
};

// The sprite types: blending by source alpha onto the inverse source alpha,
// or additively; stage 0 modulates or adds the vertex colour; the two-texture
// type modulates a second texture in.
class CSpriteRenderer : public CD3D8MaterialRenderer {
public:
    enum class Kind { Modulate, Add, TwoTextures };
    CSpriteRenderer(CD3D8Driver& driver, Kind kind) : CD3D8MaterialRenderer(driver), m_kind(kind) {}
    void unsetMaterial() override { render(D3DRS_ALPHATESTENABLE, FALSE); }
    [[nodiscard]] bool isTransparent() const override { return true; }

protected:
    bool changed(const Material& a, const Material& b) const override { return a.additive != b.additive; }
    void setStates(const Material& material) override {
        blend(D3DBLEND_SRCALPHA, material.additive ? D3DBLEND_ONE : D3DBLEND_INVSRCALPHA);
        if (m_kind == Kind::TwoTextures) {
            stage(0, D3DTSS_TEXCOORDINDEX, 0);
            colorOp(0, D3DTOP_MODULATE, D3DTA_TEXTURE, D3DTA_DIFFUSE);
            alphaOp(0, D3DTOP_MODULATE, D3DTA_TEXTURE, D3DTA_DIFFUSE);
            stage(1, D3DTSS_TEXCOORDINDEX, 1);
            colorOp(1, D3DTOP_MODULATE, D3DTA_TEXTURE, D3DTA_CURRENT);
            alphaOp(1, D3DTOP_MODULATE, D3DTA_TEXTURE, D3DTA_CURRENT);
            stage(2, D3DTSS_COLOROP, D3DTOP_DISABLE);
            stage(2, D3DTSS_ALPHAOP, D3DTOP_DISABLE);
            return;
        }
        colorOp(0, m_kind == Kind::Add ? D3DTOP_ADD : D3DTOP_MODULATE, D3DTA_TEXTURE, D3DTA_DIFFUSE);
        alphaOp(0, D3DTOP_MODULATE, D3DTA_TEXTURE, D3DTA_DIFFUSE);
        stage(1, D3DTSS_COLOROP, D3DTOP_DISABLE);
        stage(1, D3DTSS_ALPHAOP, D3DTOP_DISABLE);
    }

private:
    Kind m_kind;
};

} // namespace

unsigned long d3d8BlendFactor(unsigned code) {
    static constexpr DWORD factors[] = {D3DBLEND_ZERO,         D3DBLEND_ONE,         D3DBLEND_DESTCOLOR,
                                        D3DBLEND_INVDESTCOLOR, D3DBLEND_SRCCOLOR,    D3DBLEND_INVSRCCOLOR,
                                        D3DBLEND_SRCALPHA,     D3DBLEND_INVSRCALPHA, D3DBLEND_DESTALPHA,
                                        D3DBLEND_INVDESTALPHA, D3DBLEND_SRCALPHASAT};
    return code < std::size(factors) ? factors[code] : 0;
}

void registerD3D8MaterialRenderers(CD3D8Driver& driver) {
    using Kind = CSpriteRenderer::Kind;
    driver.addAndDropMaterialRenderer(0, new CSolidRenderer(driver));
    driver.addAndDropMaterialRenderer(1, new CSolid2LayerRenderer(driver));
    driver.addAndDropMaterialRenderer(9, new CDetailMapRenderer(driver));
    driver.addAndDropMaterialRenderer(10, new CSphereMapRenderer(driver));
    driver.addAndDropMaterialRenderer(11, new CReflection2LayerRenderer(driver, false));
    driver.addAndDropMaterialRenderer(12, new CTransAddRenderer(driver));
    driver.addAndDropMaterialRenderer(13, new CTransAlphaChannelRenderer(driver, true));
    driver.addAndDropMaterialRenderer(14, new CTransAlphaChannelRenderer(driver, false));
    driver.addAndDropMaterialRenderer(15, new CTransVertexAlphaRenderer(driver));
    driver.addAndDropMaterialRenderer(16, new CReflection2LayerRenderer(driver, true));
    driver.addAndDropMaterialRenderer(23, new COneTextureBlendRenderer(driver));
    driver.addAndDropMaterialRenderer(24, new CSpriteRenderer(driver, Kind::Modulate));
    driver.addAndDropMaterialRenderer(25, new CSpriteRenderer(driver, Kind::Add));
    driver.addAndDropMaterialRenderer(26, new CSpriteRenderer(driver, Kind::TwoTextures));
}
