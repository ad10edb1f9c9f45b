#include "engine/video/CGLProgramRenderer.h"

#include "engine/video/CGLDriver.h"
#include "engine/video/IRenderServices.h"
#include "engine/video/Material.h"

CGLProgramRenderer::CGLProgramRenderer(CGLDriver* driver, IShaderConstantCallback* callback,
                                       IMaterialTypeRenderer* baseRenderer, int32_t userData)
    : m_driver(driver), m_callback(CRefHandle<IShaderConstantCallback>::share(callback)),
      m_baseRenderer(CRefHandle<IMaterialTypeRenderer>::share(baseRenderer)), m_userData(userData) {}

CGLProgramRenderer::~CGLProgramRenderer() = default;

int32_t CGLProgramRenderer::registerBuilt(CGLProgramRenderer* renderer, bool built) {
    const int32_t index = built ? renderer->m_driver->registerMaterialType(-1, renderer, nullptr) : -1;
    renderer->release();
    return index;
}

void CGLProgramRenderer::setMaterial(const Material& material, const Material& lastMaterial, bool resetAll,
                                     IRenderServices* services) {
    IRenderServices* own = programServices(services);
    if (resetAll || material.materialType != lastMaterial.materialType) {
        usePrograms();
        if (m_baseRenderer)
            m_baseRenderer->setMaterial(material, material, true, own);
    }
    if (m_callback)
        m_callback->noteShaderMaterial(material);
    for (uint32_t unit = 0; unit < Material::MaxLayers; ++unit)
        (void)m_driver->setActiveTexture(unit, m_driver->layerTexture(material, unit));
    if (own)
        own->applyBaseStates(material, lastMaterial, resetAll);
}

void CGLProgramRenderer::unsetMaterial() {
    stopPrograms();
    if (m_baseRenderer)
        m_baseRenderer->unsetMaterial();
}

bool CGLProgramRenderer::onRender(IRenderServices* services, VertexType) {
    if (m_callback && hasProgram())
        m_callback->applyShaderConstants(programServices(services), m_userData);
    return true;
}

bool CGLProgramRenderer::isTransparent() const { return m_baseRenderer && m_baseRenderer->isTransparent(); }
