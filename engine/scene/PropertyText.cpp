#include "engine/scene/PropertyText.h"

#include "engine/core/NumberText.h"

CString formatFloatList(const float* values, std::size_t count) {
    CString text;
    for (std::size_t i = 0; i < count; ++i) {
        if (i > 0)
            text += ';';
        text += formatFloat(values[i]).text;
    }
    return text;
}
