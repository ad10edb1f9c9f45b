#include "game/play/GTutorialHint.h"

#include "engine/core/CLog.h"
#include "engine/io/CXmlStreamReader.h"
#include "game/play/GTutorialAction.h"

#include <cmath>
#include <cstdlib>
#include <string>

namespace {

bool isDigit(char16_t c) { return c >= u'0' && c <= u'9'; }

// Reads the number starting at `text[i]` ('-' or a digit): an optional minus,
// digits, a fraction and an exponent. Leaves `i` after it.
double readNumber(const char16_t* text, uint32_t length, uint32_t& i) {
    std::string chars;
    auto take = [&] { chars += char(text[i++]); };
    if (i < length && text[i] == u'-')
        take();
    while (i < length && isDigit(text[i]))
        take();
    if (i < length && text[i] == u'.') {
        take();
        while (i < length && isDigit(text[i]))
            take();
    }
    if (i < length && (text[i] == u'e' || text[i] == u'E')) {
        uint32_t j = i + 1;
        if (j < length && (text[j] == u'-' || text[j] == u'+'))
            ++j;
        if (j < length && isDigit(text[j])) {
            while (i < j)
                take();
            while (i < length && isDigit(text[i]))
                take();
        }
    }
    return std::strtod(chars.c_str(), nullptr);
}

// Calls `onNumber(value)` for each number of `text` until it answers false.
template <class OnNumber> void scanNumbers(const CStringW& text, OnNumber onNumber) {
    const char16_t* chars = text.c_str();
    const uint32_t length = text.length();
    uint32_t i = 0;
    while (i < length) {
        if (text[i] != u'-' && !isDigit(chars[i])) {
            ++i;
            continue;
        }
        const uint32_t start = i;
        const double value = readNumber(chars, length, i);
        if (i == start)
            ++i;
        if (!onNumber(value))
            return;
    }
}

bool isElement(const CXmlStreamReader& reader, const char16_t* name) {
    return reader.nodeType() == CXmlStreamReader::Element && reader.nodeName() == name;
}

bool isEnd(const CXmlStreamReader& reader, const char16_t* name) {
    return reader.nodeType() == CXmlStreamReader::ElementEnd && reader.nodeName() == name;
}

bool flag(const CXmlStreamReader& reader, const char* name) { return reader.attribute(name) == u"true"; }

const CStringW& value(const CXmlStreamReader& reader) { return reader.attribute("Value"); }

} // namespace

CVector3d parseTutorialVector(const CStringW& text) {
    float values[3] = {0.0f, 0.0f, 0.0f};
    int count = 0;
    scanNumbers(text, [&](double number) {
        values[count++] = float(number);
        return count < 3;
    });
    return CVector3d(values[0], values[1], values[2]);
}

CArray<int> parseTutorialIntList(const CStringW& text) {
    CArray<int> numbers;
    scanNumbers(text, [&](double number) {
        // Truncated towards zero, held within int.
        const double clamped = std::fmax(-2147483648.0, std::fmin(2147483647.0, std::trunc(number)));
        numbers.push_back(std::isnan(number) ? 0 : int(clamped));
        return true;
    });
    return numbers;
}

float normaliseArrowAngle(float degrees) {
    if (!std::isfinite(degrees))
        return 0.0f;
    // The remainder first, so that huge angles need no long loop; stepping
    // down by whole turns stops at 360, so a positive whole turn stays 360.
    if (degrees > 360.0f) {
        degrees = std::fmod(degrees, 360.0f);
        if (degrees == 0.0f)
            degrees = 360.0f;
    } else if (degrees < 0.0f) {
        degrees = std::fmod(degrees, 360.0f);
        if (degrees < 0.0f)
            degrees += 360.0f;
    }
    return degrees;
}

GTutorialHint::~GTutorialHint() = default;

void GTutorialHint::read(CXmlStreamReader& reader) {
    Tip = flag(reader, "Tip");
    MessageBox = flag(reader, "MessageBox");
    Gertruda = flag(reader, "Gertruda");
    Quest = flag(reader, "Quest");
    Darkening = flag(reader, "Darkening");
    // "<Hint/>" has no end element: the hints after it are not its own.
    if (reader.isSelfClosing())
        return;
    while (reader.readNext()) {
        if (isEnd(reader, u"Hint"))
            return;
        if (reader.nodeType() != CXmlStreamReader::Element)
            continue;
        const CStringW& name = reader.nodeName();
        if (name == u"Position")
            Position = parseTutorialVector(value(reader));
        else if (name == u"PositionQuest")
            PositionQuest = parseTutorialVector(value(reader));
        else if (name == u"TextBgType")
            TextBgType = reader.attributeInt("Value", 0);
        else if (name == u"TextPosition")
            TextPosition = parseTutorialVector(value(reader));
        else if (name == u"TextPositionQuest")
            TextPositionQuest = parseTutorialVector(value(reader));
        else if (name == u"Text")
            Text = value(reader);
        else if (name == u"TextQuest")
            TextQuest = value(reader);
        else if (name == u"ImageFilename")
            ImageFilename = CString(value(reader));
        else if (name == u"Actions")
            readActions(reader);
        else if (name == u"Arrows")
            readArrows(reader);
        else if (name == u"GertrudaState")
            GertrudaState = value(reader);
        else if (name == u"GertrudaAlign")
            GertrudaAlign = value(reader);
    }
}

void GTutorialHint::readActions(CXmlStreamReader& reader) {
    if (reader.isSelfClosing())
        return;
    while (reader.readNext()) {
        if (isEnd(reader, u"Actions"))
            return;
        if (!isElement(reader, u"Action"))
            continue;
        const CStringW& type = reader.attribute("Type");
        CRefHandle<GTutorialAction> action(createTutorialAction(type));
        if (!action) {
            CLog::instance()->log(CString("Unknown tutorial action type, skipped: ") + CString(type), CLog::Warning);
            continue;
        }
        action->load(reader);
        Actions.push_back(action);
    }
}

void GTutorialHint::readArrows(CXmlStreamReader& reader) {
    if (reader.isSelfClosing())
        return;
    while (reader.readNext()) {
        if (isEnd(reader, u"Arrows"))
            return;
        if (!isElement(reader, u"Arrow"))
            continue;
        GTutorialArrow arrow;
        arrow.Position = parseTutorialVector(reader.attribute("Position"));
        arrow.Rotation = CVector3d(0.0f, 0.0f, normaliseArrowAngle(reader.attributeFloat("Rotation", 0.0f)));
        Arrows.push_back(arrow);
    }
}

void GTutorialHint::activateActions(CEventReceiver* receiver) {
    for (const CRefHandle<GTutorialAction>& action : Actions)
        action->activate(receiver);
}

void GTutorialHint::deactivateActions() {
    for (const CRefHandle<GTutorialAction>& action : Actions)
        action->deactivate();
}
