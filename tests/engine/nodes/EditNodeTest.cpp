// The edit field read from a scene file, its look from a template collection,
// typed into through key events handed to a live scene manager whose engine
// runs on a clock the test moves.

#include "engine/nodes/EditNode.h"

#include "engine/core/CEngine.h"
#include "engine/core/CEventKeyDown.h"
#include "engine/core/CEventMouseLeftDown.h"
#include "engine/core/CEventMouseLeftUp.h"
#include "engine/core/ITimeSource.h"
#include "engine/io/CXmlStreamReader.h"
#include "engine/nodes/CEventValueChanged.h"
#include "engine/nodes/StandardNodes.h"
#include "engine/nodes/TextNode.h"
#include "engine/scene/CNodeFactory.h"
#include "engine/scene/CPropertyBag.h"
#include "engine/scene/CSceneFileReader.h"
#include "engine/scene/SceneManager.h"
#include "engine/scene/SceneNode.h"
#include "engine/scene/TemplateCollectionNode.h"
#include "tests/engine/nodes/NodesTestSupport.h"

#include <gtest/gtest.h>

#include <string>

namespace {

class FakeTime : public ITimeSource {
public:
    [[nodiscard]] uint32_t nowMs() const override { return now; }
    uint32_t now = 1000;

protected:
    ~FakeTime() override = default;
};

std::string node(const char* type, const char* name, const char* properties, const std::string& inner = "") {
    return std::string("<SceneNode Type=\"") + type + "\"><Properties><string Name=\"Name\" Value=\"" + name + "\"/>" +
           properties + "</Properties>" + inner + "</SceneNode>\n";
}

// A text area of 200 x 60 with its cursor.
std::string templatesFile() {
    return "<?xml version=\"1.0\"?>\n" +
           node("TemplateCollectionNode", "Templates", "",
                node("BaseNode", "Edit", R"(<vector3d Name="Bounds" Value="200;60;0"/>)",
                     node("TextNode", "Text", R"(<vector3d Name="Bounds" Value="200;60;0"/>)",
                          node("BaseNode", "Cursor", ""))));
}

// The name field between two neighbours that Up and Down lead to.
std::string formFile() {
    return "<?xml version=\"1.0\"?>\n" +
           node(
               "SceneNode", "Form", R"(<vector3d Name="Bounds" Value="640;480;0"/>)",
               node("EditNode", "Above",
                    R"(<vector3d Name="Position" Value="10;300;0"/><string Name="TemplateName" Value="Edit"/>)") +
                   node("EditNode", "Below",
                        R"(<vector3d Name="Position" Value="10;380;0"/><string Name="TemplateName" Value="Edit"/>)") +
                   node(
                       "EditNode", "Name",
                       R"(<vector3d Name="Position" Value="10;10;0"/><string Name="TemplateName" Value="Edit"/><string Name="NavUpObjectName" Value="Above"/><string Name="NavDownObjectName" Value="Below"/><int Name="MaxTextLength" Value="12"/><stringw Name="Text" Value="Ann"/>)"));
}

CRefHandle<BaseNode> readFile(const std::string& text, const char16_t* name) {
    CNodeFactory* factory = CNodeFactory::getShared();
    registerStandardNodes(*factory);
    CRefHandle<CXmlStreamReader> xml(new CXmlStreamReader(text.data(), text.size()));
    uint32_t depth = 0;
    CSceneFileReader reader(xml.get(), factory, depth, CStringW(name));
    return reader.readDocument(CObjectName(nullptr, CStringW(name)), CStringW(name));
}

std::u16string str(const CStringW& text) { return std::u16string(text.view()); }

// Counts the value-changed events the form receives.
class ChangeCounter : public CEventReceiver {
public:
    bool handleEvent(CEvent* event) override {
        if (event->getType() == CEventValueChanged::TypeId)
            ++changes;
        return false;
    }
    int changes = 0;

protected:
    ~ChangeCounter() override = default;
};

// Glyphs 10 wide and 20 high.
constexpr float kGlyphWidth = 10.0f;

struct Form {
    CRefHandle<FakeTime> time{new FakeTime};
    CRefHandle<CEngine> engine{new CEngine(CEngineCreationParams{}, time.get())};
    CRefHandle<SceneManager> manager{new SceneManager(CObjectName(), nullptr, nullptr)};
    CRefHandle<BaseNode> templates = readFile(templatesFile(), u"Templates.mscn");
    CRefHandle<BaseNode> sceneNode = readFile(formFile(), u"Form.mscn");
    SceneNode* scene = nodeCast<SceneNode>(sceneNode.get());
    CRefHandle<TestFont> font{new TestFont(u"abcdefghijXYZ0123456789 \u0416", kGlyphWidth, 20.0f, kGlyphWidth)};
    CRefHandle<ChangeCounter> counter{new ChangeCounter};
    EditNode* edit = nullptr;

    Form() {
        manager->setEngine(engine.get());
        manager->setTemplateCollection(nodeCast<TemplateCollectionNode>(templates.get()));
        EXPECT_TRUE(scene);
        if (!scene)
            return;
        scene->addPreHandler(counter.get());
        EXPECT_TRUE(manager->setScene(scene));
        for (const char* name : {"Above", "Below", "Name"})
            if (EditNode* field = nodeCast<EditNode>(scene->findChild(CName(name), 1)))
                if (field->getTextChild())
                    field->getTextChild()->setFont(font.get());
        edit = nodeCast<EditNode>(scene->findChild(CName("Name"), 1));
        EXPECT_TRUE(edit && edit->getTextChild() && edit->getCursorChild());
        if (edit)
            edit->setText(edit->getText()); // laid out with the font
        manager->updateAbsoluteTransformation();
        drain();
    }
    ~Form() {
        if (scene)
            scene->removePreHandler(counter.get());
    }

    void drain() { static_cast<void>(manager->update(0)); }
    void wait(uint32_t ms) { time->now += ms; }
    bool key(int32_t code, char16_t character = 0) {
        CEventKeyDown* event = new CEventKeyDown(character, code);
        const bool consumed = manager->dispatch(CEventReceiver::HandleThenChildren, event);
        event->release();
        return consumed;
    }
    // Types `text`: "\n" is the Enter key, "\b" Backspace; letters and digits
    // come with their key codes, other characters with none (typed text).
    void type(const std::u16string& text) {
        for (char16_t c : text) {
            if (c == u'\n')
                static_cast<void>(key(CEventKey::KeyReturn, u'\r'));
            else if (c == u'\b')
                static_cast<void>(key(8, u'\b'));
            else if ((c >= u'0' && c <= u'9') || (c >= u'A' && c <= u'Z'))
                static_cast<void>(key(c, c));
            else if (c >= u'a' && c <= u'z')
                static_cast<void>(key(c - u'a' + u'A', c));
            else
                static_cast<void>(key(0, c));
        }
    }
    // Replaces the text and lets the key delay pass.
    void start(const char16_t* text) {
        edit->setText(CStringW(text));
        edit->setFocused(true);
        wait(200);
        drain();
        counter->changes = 0;
    }
    [[nodiscard]] std::u16string text() const { return str(edit->getText()); }
};

} // namespace

TEST(EditNode, MaskAndMaximumLengthFilterTypedCharacters) {
    const struct {
        const char* mask;
        int32_t maxLength;
        std::u16string typed;
        std::u16string expected;
    } cases[] = {
        {"0", 3, u"1a234", u"123"},
        {"", -1, u"aZ 1\t.\n", u"aZ 1\t.\n"},
        {"A", -1, u"a1\u0416b \n", u"a\u0416b"},
        {"s0", -1, u"1 2a\t", u"1 2\t"},
        {"0T", -1, u"1 \t2", u"1\t2"},
        {"0r", -1, u"1\n2", u"1\n2"},
        {"aS", 5, u"ab cdef", u"ab cd"},
        {"a", 2, u"ab\n", u"ab"},
        {"x", -1, u"a1 ", u""},
    };
    Form form;
    ASSERT_TRUE(form.edit);
    for (const auto& c : cases) {
        SCOPED_TRACE(c.mask);
        form.edit->setInputMask(CString(c.mask));
        form.edit->setMaxTextLength(c.maxLength);
        form.start(u"");
        form.type(c.typed);
        form.drain();
        EXPECT_EQ(form.text(), c.expected);
        EXPECT_EQ(str(form.edit->getTextChild()->getText()), c.expected);
        EXPECT_EQ(form.counter->changes, int(c.expected.size())) << "one change per accepted character";
    }
}

TEST(EditNode, KeysRightAfterTheTextWasSetAreSwallowed) {
    Form form;
    ASSERT_TRUE(form.edit);
    form.start(u"");
    form.type(u"a");
    EXPECT_EQ(form.text(), u"a");

    form.edit->setText(CStringW(u"x"));
    form.wait(50);
    form.type(u"b");
    form.wait(50);
    form.type(u"c");
    EXPECT_EQ(form.text(), u"x") << "within 100 ms of setText";
    form.wait(1);
    form.type(u"d");
    EXPECT_EQ(form.text(), u"dx");

    // Applying the template again sets the text again.
    form.edit->setTemplateName(CName());
    form.edit->setTemplateName(CName("Edit"));
    form.edit->getTextChild()->setFont(form.font.get());
    form.type(u"e");
    EXPECT_EQ(form.text(), u"dx");
    form.wait(101);
    form.type(u"e");
    EXPECT_EQ(form.text(), u"edx");
}

TEST(EditNode, EditingAndMovingAcrossLineBreaks) {
    Form form;
    ASSERT_TRUE(form.edit);
    form.start(u"ab\r\ncd\nef");
    ASSERT_EQ(form.edit->getTextChild()->getLines().size(), 3u);
    struct Step {
        const char* what;
        int32_t key;
        std::u16string text;
        int32_t line;
        int32_t column;
    };
    const Step steps[] = {
        {"Home then Backspace on the first line", 8, u"ab\r\ncd\nef", 0, -1},
        {"Right", 39, u"ab\r\ncd\nef", 0, 0},
        {"End", 35, u"ab\r\ncd\nef", 0, 1},
        {"Right at a line end goes to the next line", 39, u"ab\r\ncd\nef", 1, -1},
        {"Left at a line start goes to the previous end", 37, u"ab\r\ncd\nef", 0, 1},
        {"Down keeps the column", 40, u"ab\r\ncd\nef", 1, 1},
        {"Home", 36, u"ab\r\ncd\nef", 1, -1},
        {"Backspace takes CR LF as one break", 8, u"abcd\nef", 0, 1},
        {"Delete before a break", 35, u"abcd\nef", 0, 3},
        {"", 46, u"abcdef", 0, 3},
        {"Backspace in a line", 8, u"abcef", 0, 2},
        {"Enter splits the line", 13, u"abc\nef", 1, -1},
        {"Backspace joins again", 8, u"abcef", 0, 2},
        {"Home then Delete", 36, u"abcef", 0, -1},
        {"", 46, u"bcef", 0, -1},
    };
    int changes = 0;
    for (const Step& step : steps) {
        SCOPED_TRACE(step.what);
        const std::u16string before = form.text();
        EXPECT_TRUE(form.key(step.key, step.key == 13 ? u'\r' : step.key == 8 ? u'\b' : 0));
        if (form.text() != before)
            ++changes;
        EXPECT_EQ(form.text(), step.text);
        EXPECT_EQ(form.edit->getCursorLine(), step.line);
        EXPECT_EQ(form.edit->getCursorColumn(), step.column);
    }
    form.drain();
    EXPECT_EQ(form.counter->changes, changes) << "edits post, moves don't";

    // Typing goes in at the cursor, and Up clamps the column to the line.
    form.start(u"abcd\nx");
    form.type(u"Z");
    EXPECT_EQ(form.text(), u"Zabcd\nx");
    EXPECT_TRUE(form.key(40));
    EXPECT_TRUE(form.key(35));
    EXPECT_EQ(form.edit->getCursorColumn(), 0);
    EXPECT_TRUE(form.key(38));
    EXPECT_EQ(form.edit->getCursorLine(), 0);
    EXPECT_EQ(form.edit->getCursorColumn(), 0);
}

// Centred and justified lines do not show a blank at their end; a blank
// typed there still stays where it was typed.
TEST(EditNode, BlanksTypedIntoCentredAndJustifiedLinesStayWhereTyped) {
    for (int32_t align : {2, 4}) {
        SCOPED_TRACE(align);
        Form form;
        ASSERT_TRUE(form.edit);
        form.edit->getTextChild()->setTextHAlign(align);
        form.start(u"ab");
        ASSERT_TRUE(form.key(35)); // End
        form.type(u" c");
        EXPECT_EQ(form.text(), u"ab c");
        form.type(u"  d");
        EXPECT_EQ(form.text(), u"ab c  d");
        ASSERT_TRUE(form.key(36)); // Home
        ASSERT_TRUE(form.key(46)); // Delete
        EXPECT_EQ(form.text(), u"b c  d");
    }
}

// Left from the first character of a later line goes straight to the end of
// the line before; on the first line it reaches the place before the first
// character.
TEST(EditNode, LeftFromTheFirstColumnGoesToThePreviousLineEnd) {
    Form form;
    ASSERT_TRUE(form.edit);
    form.start(u"abc\nde");
    const struct {
        const char* what;
        int32_t key;
        int32_t line;
        int32_t column;
    } steps[] = {
        {"Down", 40, 1, -1}, {"Right", 39, 1, 0}, {"Left from column 0", 37, 0, 2}, {"Home", 36, 0, -1},
        {"Right", 39, 0, 0}, {"Left on the first line", 37, 0, -1}, {"Left again stays", 37, 0, -1},
    };
    for (const auto& step : steps) {
        SCOPED_TRACE(step.what);
        EXPECT_TRUE(form.key(step.key));
        EXPECT_EQ(form.edit->getCursorLine(), step.line);
        EXPECT_EQ(form.edit->getCursorColumn(), step.column);
    }
    EXPECT_EQ(form.text(), u"abc\nde");
}

TEST(EditNode, UpOnTheFirstLineAndDownOnTheLastMoveTheFocus) {
    for (const auto& [key, neighbour] : {std::pair{38, "Above"}, std::pair{40, "Below"}}) {
        SCOPED_TRACE(neighbour);
        Form form;
        ASSERT_TRUE(form.edit);
        form.start(u"one");
        auto* target = nodeCast<EditNode>(form.scene->findChild(CName(neighbour), 1));
        ASSERT_TRUE(target);
        EXPECT_TRUE(form.key(key));
        EXPECT_TRUE(target->isFocused());
        EXPECT_FALSE(form.edit->isFocused());
        EXPECT_EQ(form.text(), u"one");
    }
}

TEST(EditNode, CursorFollowsTheTextAndShowsOnlyWhileFocused) {
    Form form;
    ASSERT_TRUE(form.edit);
    BaseNode* cursor = form.edit->getCursorChild();
    ASSERT_TRUE(cursor);
    form.edit->setFocused(false);
    EXPECT_FALSE(cursor->isVisible());
    form.start(u"abc\ndef");
    EXPECT_TRUE(cursor->isVisible());
    EXPECT_NEAR(cursor->getPosition().x, 0.0f, 1.0f);
    form.type(u"XY");
    EXPECT_NEAR(cursor->getPosition().x, 2 * kGlyphWidth, 1.0f);
    EXPECT_FLOAT_EQ(cursor->getPosition().y, 0.0f);

    // A press on the second line (the text's two lines are picked as centred
    // in its 60 high box), over the second character's right half.
    form.manager->updateAbsoluteTransformation();
    CEventMouseLeftDown* down = new CEventMouseLeftDown(10 + 18, 10 + 38);
    EXPECT_TRUE(form.manager->dispatch(CEventReceiver::HandleThenChildren, down));
    down->release();
    EXPECT_EQ(form.edit->getCursorLine(), 1);
    EXPECT_FLOAT_EQ(cursor->getPosition().y, form.edit->getTextChild()->getLineTop(1));
    EXPECT_GT(cursor->getPosition().y, 0.0f);
    EXPECT_EQ(form.edit->getCursorColumn(), 1);
    form.type(u"Z");
    EXPECT_EQ(form.text(), u"XYabc\ndeZf");

    form.edit->setFocused(false);
    EXPECT_FALSE(cursor->isVisible());
}

TEST(EditNode, PropertiesReadFromTheFileAndWrittenBack) {
    Form form;
    ASSERT_TRUE(form.edit);
    EXPECT_EQ(form.text(), u"Ann");
    EXPECT_EQ(form.edit->getMaxTextLength(), 12);
    EXPECT_EQ(form.edit->getMaskFlags(), EditNode::MaskAll);

    form.edit->setInputMask(CString("0aSrT"));
    EXPECT_EQ(form.edit->getMaskFlags(), EditNode::MaskDigits | EditNode::MaskLetters | EditNode::MaskBlanks |
                                             EditNode::MaskLineBreaks | EditNode::MaskTab);
    CRefHandle<CPropertyBag> bag(new CPropertyBag);
    form.edit->writeProperties(*bag);
    CRefHandle<EditNode> copy(new EditNode(CObjectName(), nullptr, nullptr));
    copy->readProperties(*bag);
    EXPECT_EQ(str(copy->getText()), u"Ann");
    EXPECT_EQ(copy->getMaxTextLength(), 12);
    EXPECT_TRUE(copy->getInputMask() == CString("0aSrT"));

    // Defaults are left out.
    CRefHandle<CPropertyBag> plain(new CPropertyBag);
    CRefHandle<EditNode> fresh(new EditNode(CObjectName(), nullptr, nullptr));
    fresh->writeProperties(*plain);
    for (const char* name : {"Text", "MaxTextLength", "InputMask"})
        EXPECT_LT(plain->indexOf(name), 0) << name;
}
