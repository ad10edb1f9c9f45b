#include "engine/nodes/EditNode.h"

#include "engine/core/CClock.h"
#include "engine/core/CEngine.h"
#include "engine/core/CEventKeyDown.h"
#include "engine/core/CEventMouseLeftDown.h"
#include "engine/core/CMat4.h"
#include "engine/nodes/CEventValueChanged.h"
#include "engine/nodes/TextNode.h"
#include "engine/scene/CPropertyBag.h"
#include "engine/scene/CPropertyDataInt.h"
#include "engine/scene/CPropertyDataString.h"
#include "engine/scene/CPropertyDataStringW.h"
#include "engine/scene/CPropertyTable.h"
#include "engine/scene/PropertyValues.h"
#include "engine/scene/SceneManager.h"

#include <algorithm>

namespace {

constexpr char16_t kTab = 0x09;
constexpr char16_t kLF = 0x0A;
constexpr char16_t kCR = 0x0D;

constexpr int32_t kKeyBackspace = 8;
constexpr int32_t kKeyEnd = 35;
constexpr int32_t kKeyHome = 36;
constexpr int32_t kKeyDelete = 46;

// Letters of the scripts players type, by UTF-16 unit ranges (inclusive).
// Surrogates never count: one half of a pair is not a letter.
constexpr struct {
    char16_t first;
    char16_t last;
} kLetterRanges[] = {
    {u'A', u'Z'},     {u'a', u'z'},     {0x00AA, 0x00AA}, {0x00B5, 0x00B5}, {0x00BA, 0x00BA}, {0x00C0, 0x00D6},
    {0x00D8, 0x00F6}, {0x00F8, 0x02C1}, {0x02C6, 0x02D1}, {0x0370, 0x0374}, {0x0376, 0x037D}, {0x0386, 0x0386},
    {0x0388, 0x03FF}, {0x0400, 0x0481}, {0x048A, 0x052F}, {0x0531, 0x0556}, {0x0561, 0x0587}, {0x05D0, 0x05EA},
    {0x0620, 0x064A}, {0x066E, 0x06D3}, {0x0904, 0x0939}, {0x0E01, 0x0E30}, {0x10A0, 0x10FF}, {0x1E00, 0x1FBC},
    {0x1FC2, 0x1FFC}, {0x3041, 0x3096}, {0x30A1, 0x30FA}, {0x3105, 0x312F}, {0x3400, 0x4DBF}, {0x4E00, 0x9FFF},
    {0xAC00, 0xD7A3}, {0xF900, 0xFAFF}, {0xFF21, 0xFF3A}, {0xFF41, 0xFF5A},
};

bool isLetter(char16_t c) {
    for (const auto& range : kLetterRanges)
        if (c >= range.first && c <= range.last)
            return true;
    return false;
}

bool isDigit(char16_t c) { return c >= u'0' && c <= u'9'; }

bool isBlank(char16_t c) {
    return c == u' ' || c == kTab || c == 0x1680 || (c >= 0x2000 && c <= 0x2006) || (c >= 0x2008 && c <= 0x200A) ||
           c == 0x205F || c == 0x3000;
}

int32_t maskFlagsOf(const CString& mask) {
    if (mask.empty())
        return EditNode::MaskAll;
    int32_t flags = 0;
    for (char letter : mask) {
        switch (letter) {
        case '0':
            flags |= EditNode::MaskDigits;
            break;
        case 'A':
        case 'a':
            flags |= EditNode::MaskLetters;
            break;
        case 'S':
        case 's':
            flags |= EditNode::MaskBlanks;
            break;
        case 'R':
        case 'r':
            flags |= EditNode::MaskLineBreaks;
            break;
        case 'T':
        case 't':
            flags |= EditNode::MaskTab;
            break;
        default:
            break;
        }
    }
    return flags;
}

} // namespace

EditNode::EditNode(const CObjectName& contentName, BaseNode* parent, BaseNode* sceneManager)
    : ControlNode(contentName, parent, sceneManager) {}

EditNode::~EditNode() = default;

const CStringW& EditNode::getTypeName() const {
    static const CStringW name(u"EditNode");
    return name;
}

const CStringW& EditNode::getClassName() const { return EditNode::getTypeName(); }

// ---------------------------------------------------------------------------
// Text, mask and the template parts

void EditNode::setText(const CStringW& text) {
    m_text = text;
    if (!m_textChild)
        return;
    m_textChild->setText(m_text);
    m_cursorLine = 0;
    m_cursorColumn = -1;
    updateCursor();
    m_keyDelayRunning = now(m_textSetTime);
}

void EditNode::setInputMask(const CString& mask) {
    m_inputMask = mask;
    m_maskFlags = maskFlagsOf(mask);
}

bool EditNode::isAllowed(char16_t c) const {
    if (m_maskFlags == MaskAll)
        return true;
    if (c == kCR || c == kLF)
        return (m_maskFlags & MaskLineBreaks) != 0;
    if (c == kTab && (m_maskFlags & MaskTab))
        return true;
    return ((m_maskFlags & MaskDigits) && isDigit(c)) || ((m_maskFlags & MaskLetters) && isLetter(c)) ||
           ((m_maskFlags & MaskBlanks) && isBlank(c));
}

void EditNode::setFocused(bool focused) {
    ControlNode::setFocused(focused);
    if (m_cursorChild)
        m_cursorChild->setVisible(isFocused());
}

void EditNode::applyTemplate() {
    if (!getSceneManager<BaseNode>())
        return;
    ControlNode::applyTemplate();
    m_textChild.reset();
    m_cursorChild.reset();
    if (ControlNode* root = getTemplateRoot()) {
        static const CName textName("Text");
        static const CName cursorName("Cursor");
        m_textChild = CRefHandle<TextNode>::share(nodeCast<TextNode>(root->findChild(textName, 1)));
        if (m_textChild)
            m_cursorChild = CRefHandle<BaseNode>::share(m_textChild->findChild(cursorName, 1));
    }
    if (m_cursorChild)
        m_cursorChild->setVisible(isFocused());
    setText(m_text);
}

bool EditNode::now(uint32_t& ms) {
    SceneManager* manager = getSceneManager<SceneManager>();
    CEngine* engine = manager ? manager->getEngine() : findEngineInstance();
    const CClock* clock = engine ? engine->getClock() : nullptr;
    if (!clock)
        return false;
    ms = clock->now();
    return true;
}

// ---------------------------------------------------------------------------
// Lines and the cursor

int32_t EditNode::lineCount() const {
    return m_textChild ? std::max<int32_t>(1, int32_t(m_textChild->getLines().size())) : 1;
}

int32_t EditNode::lineLength(int32_t line) const {
    if (!m_textChild || line < 0 || uint32_t(line) >= m_textChild->getLines().size())
        return 0;
    return int32_t(m_textChild->getLines()[uint32_t(line)].length());
}

void EditNode::updateCursor() {
    if (!m_cursorChild || !m_textChild)
        return;
    const CRect rect = m_textChild->getCharRect(m_cursorLine, std::max(m_cursorColumn, 0));
    const float x = m_cursorColumn < 0 ? rect.left : rect.right;
    m_cursorChild->setPosition(CVector3d(x, m_textChild->getLineTop(m_cursorLine), 0.0f));
}

void EditNode::edited(int32_t line, int32_t column) {
    m_text = m_textChild->getText();
    // An edit that removed a break, or re-wrapped the text, may leave fewer
    // lines than the cursor stood on: it goes to the end of the last one.
    const int32_t last = lineCount() - 1;
    if (line > last) {
        line = last;
        column = lineLength(last) - 1;
    }
    m_cursorLine = std::max(line, 0);
    m_cursorColumn = std::max(column, -1);
    updateCursor();
    const CRefHandle<CEventValueChanged> changed(new CEventValueChanged(this));
    postDeferredToParent(changed.get(), HandleThenParent);
}

// ---------------------------------------------------------------------------
// Input

bool EditNode::onMouseDown(CEventMouseLeftDown* event) {
    if (!ControlNode::onMouseDown(event))
        return false;
    if (!m_textChild)
        return true;
    if (m_textChild->isTransformDirty())
        m_textChild->updateAbsoluteTransformation();
    CMat4 inverse;
    if (!m_textChild->getAbsoluteTransformation().computeInverse(inverse))
        return true;
    CVector3d local(float(event->getX()), float(event->getY()), 0.0f);
    inverse.transformPoint(local);
    int32_t line = 0;
    int32_t column = -1;
    static_cast<void>(m_textChild->charAtPoint(CVector2d(local.x, local.y), line, column));
    m_cursorLine = std::clamp(line, 0, lineCount() - 1);
    m_cursorColumn = std::clamp(column, -1, lineLength(m_cursorLine) - 1);
    updateCursor();
    return true;
}

bool EditNode::onKeyDown(CEventKeyDown* event) {
    if (!m_textChild)
        return true;
    uint32_t time = 0;
    if (m_keyDelayRunning && now(time) && time - m_textSetTime <= m_keyDelay)
        return true;
    m_keyDelayRunning = false;
    const CRefHandle<BaseNode> keepAlive = CRefHandle<BaseNode>::share(this);
    const int32_t length = int32_t(m_text.length());
    const bool full = m_maxTextLength >= 0 && length >= m_maxTextLength;
    const int32_t line = m_cursorLine;
    const int32_t column = m_cursorColumn;
    // The text child maps the displayed line and column to its source text,
    // so a blank typed into a centred or justified line, which the line does
    // not show at its end, still lands where it was typed.
    switch (event->getKeyCode()) {
    case kKeyBackspace: {
        if (line == 0 && column < 0)
            return true;
        if (column >= 0) {
            m_textChild->deleteCharAt(line, column);
            edited(line, column - 1);
            return true;
        }
        // At the start of a later line: the break before it goes, CR LF as
        // one, and the cursor stands where the lines now join.
        const int32_t joined = lineLength(line - 1) - 1;
        const bool hard = uint32_t(line - 1) < m_textChild->getLineEndsHard().size() &&
                          m_textChild->getLineEndsHard()[uint32_t(line - 1)] != 0;
        const int32_t at = m_textChild->sourcePosition(line, -1);
        const bool pair = at >= 1 && at < length && m_text[uint32_t(at)] == kLF && m_text[uint32_t(at - 1)] == kCR;
        m_textChild->deleteCharAt(line, pair ? -2 : -1);
        // A wrapped line ends without a break: its last character goes.
        edited(line - 1, hard ? joined : joined - 1);
        return true;
    }
    case CEventKey::KeyReturn:
        if (full || !isAllowed(kLF))
            return true;
        m_textChild->insertCharAt(kLF, line, column + 1);
        edited(line + 1, -1);
        return true;
    case kKeyEnd:
        m_cursorColumn = lineLength(m_cursorLine) - 1;
        updateCursor();
        return true;
    case kKeyHome:
        m_cursorColumn = -1;
        updateCursor();
        return true;
    case CEventKey::KeyLeft:
        // From the first column of a later line straight to the previous
        // line's end; Home reaches the place before the first character.
        if (m_cursorColumn >= 1) {
            --m_cursorColumn;
        } else if (m_cursorLine > 0) {
            --m_cursorLine;
            m_cursorColumn = lineLength(m_cursorLine) - 1;
        } else {
            m_cursorColumn = -1;
        }
        updateCursor();
        return true;
    case CEventKey::KeyRight:
        if (m_cursorColumn + 1 < lineLength(m_cursorLine)) {
            ++m_cursorColumn;
        } else if (m_cursorLine + 1 < lineCount()) {
            ++m_cursorLine;
            m_cursorColumn = -1;
        }
        updateCursor();
        return true;
    case CEventKey::KeyUp:
        if (m_cursorLine == 0)
            return ControlNode::onKeyDown(event);
        --m_cursorLine;
        m_cursorColumn = std::min(m_cursorColumn, lineLength(m_cursorLine) - 1);
        updateCursor();
        return true;
    case CEventKey::KeyDown:
        if (m_cursorLine + 1 >= lineCount())
            return ControlNode::onKeyDown(event);
        ++m_cursorLine;
        m_cursorColumn = std::min(m_cursorColumn, lineLength(m_cursorLine) - 1);
        updateCursor();
        return true;
    case kKeyDelete: {
        const int32_t at = m_textChild->sourcePosition(line, column + 1);
        if (at < 0 || at >= length)
            return true;
        m_textChild->deleteCharAt(line, column + 1);
        edited(line, column);
        return true;
    }
    default:
        break;
    }
    // Characters beyond the first plane, like control characters, type nothing.
    const int32_t character = event->getCharacter();
    if (character <= 0 || character > 0xFFFF || (character < 0x20 && character != kTab) ||
        !isAllowed(char16_t(character)))
        return ControlNode::onKeyDown(event);
    if (full)
        return true;
    m_textChild->insertCharAt(char16_t(character), line, column + 1);
    edited(line, column + 1);
    return true;
}

bool EditNode::onKeyUp(CEventKeyUp*) { return false; }

// ---------------------------------------------------------------------------
// Properties

const CPropertyTable& EditNode::getPropertyTable() const { return propertyTable(); }

const CPropertyTable& EditNode::propertyTable() {
    static const CPropertyTable table = [] {
        CPropertyTable t(ControlNode::propertyTable());
        t.add<&EditNode::setTextProperty, &EditNode::getTextProperty>("Text");
        t.add<&EditNode::setMaxTextLengthProperty, &EditNode::getMaxTextLengthProperty>("MaxTextLength");
        t.add<&EditNode::setInputMaskProperty, &EditNode::getInputMaskProperty>("InputMask");
        return t;
    }();
    return table;
}

void EditNode::setTextProperty(const CRefHandle<IPropertyData>& value) { setText(getPropertyStringW(value)); }
CRefHandle<IPropertyData> EditNode::getTextProperty() const { return CPropertyDataStringW::create(m_text); }
void EditNode::setMaxTextLengthProperty(const CRefHandle<IPropertyData>& value) {
    m_maxTextLength = getPropertyInt(value);
}
CRefHandle<IPropertyData> EditNode::getMaxTextLengthProperty() const {
    return CPropertyDataInt::create(m_maxTextLength);
}
void EditNode::setInputMaskProperty(const CRefHandle<IPropertyData>& value) { setInputMask(getPropertyString(value)); }
CRefHandle<IPropertyData> EditNode::getInputMaskProperty() const { return CPropertyDataString::create(m_inputMask); }

void EditNode::writeProperties(CPropertyBag& bag) const {
    ControlNode::writeProperties(bag);
    if (!m_text.empty())
        bag.setStringW("Text", m_text);
    if (m_maxTextLength != -1)
        bag.setInt("MaxTextLength", m_maxTextLength);
    if (!m_inputMask.empty())
        bag.setString("InputMask", m_inputMask);
}

void EditNode::readProperties(const CPropertyBag& bag) {
    ControlNode::readProperties(bag);
    if (bag.indexOf("Text") >= 0)
        setText(getPropertyStringW(bag.get("Text")));
    if (bag.indexOf("MaxTextLength") >= 0)
        m_maxTextLength = getPropertyInt(bag.get("MaxTextLength"));
    if (bag.indexOf("InputMask") >= 0)
        setInputMask(getPropertyString(bag.get("InputMask")));
}

// ---------------------------------------------------------------------------
// Cloning and copying

BaseNode* EditNode::clone(BaseNode* parent, BaseNode* sceneManager) const {
    return cloneAs<EditNode>(parent, sceneManager);
}

void EditNode::copyFrom(const BaseNode* source, BaseNode* sceneManager) {
    ControlNode::copyFrom(source, sceneManager);
    if (const EditNode* edit = nodeCast<EditNode>(source)) {
        setText(edit->m_text);
        m_maxTextLength = edit->m_maxTextLength;
        setInputMask(edit->m_inputMask);
        m_keyDelay = edit->m_keyDelay;
    }
}
