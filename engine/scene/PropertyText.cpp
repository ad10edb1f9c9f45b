#include "engine/scene/PropertyText.h"

#include "engine/core/NumberText.h"

CString formatFloatList(std::initializer_list<float> values) {
    CString text;
    bool first = true;
    for (float value : values) {
        if (!first)
            text += ';';
        first = false;
        text += formatFloat(value).text;
    }
    return text;
}
