#pragma once

#include "engine/core/CArray.h"
#include "engine/core/CColor.h"
#include "engine/core/CRefCounted.h"
#include "engine/core/CString.h"
#include "engine/core/CVector2d.h"

#include <cstdint>

class CXmlStreamReader;

// One picture of the logos screen.
struct GLogoEntry {
    CString Image;
    int32_t Time = 0;
    bool Skippable = false;
    bool Stretched = false;
    CColor BgColor{0u};
};

// A picture the main menu may show with a link; kept as read.
struct GMenuLogoEntry {
    CString Image;
    CVector2d Pos;
    CString URL;
};

// The list of logos "logos/Logos.xml" names, in file order.
class GLogosConfig : public CRefCounted {
public:
    GLogosConfig() = default;

    // Appends the "Logo" and "MMLogo" elements wherever they stand, up to the
    // "Logos" end element or the end of the document.
    void readFromXml(CXmlStreamReader& reader);

    [[nodiscard]] CArray<GLogoEntry>& getLogos() { return m_logos; }
    [[nodiscard]] const CArray<GLogoEntry>& getLogos() const { return m_logos; }
    [[nodiscard]] const CArray<GMenuLogoEntry>& getMenuLogos() const { return m_menuLogos; }

protected:
    ~GLogosConfig() override = default;

private:
    CArray<GLogoEntry> m_logos;
    CArray<GMenuLogoEntry> m_menuLogos;
};
