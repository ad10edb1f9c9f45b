#include "engine/core/CName.h"

#include "engine/core/CArray.h"
#include "engine/core/CNameTable.h"

CName::CName(const CString& text) : m_id(CNameTable::instance().getId(text)) {}

CName::CName(const char* text) : CName(CString(text)) {}

const CString& CName::str() const { return CNameTable::instance().getText(m_id); }

void splitNames(CArray<CName>& out, const CString& list, bool skipEmpty) {
    out.clear();
    CArray<CString> parts = list.splitString(';');
    for (CString& part : parts) {
        part.trim();
        if (skipEmpty && part.empty())
            continue;
        out.push_back(CName(part));
    }
}
