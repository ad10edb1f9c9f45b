// Message boxes opened by a screen through its scene manager, their look
// from a template collection file, closed by mouse clicks on their buttons.

#include "engine/nodes/MessageBoxNode.h"

#include "engine/core/CEventMouseLeftDown.h"
#include "engine/core/CEventMouseLeftUp.h"
#include "engine/core/CUpdateScheduler.h"
#include "engine/io/CXmlStreamReader.h"
#include "engine/nodes/ButtonNode.h"
#include "engine/nodes/StandardNodes.h"
#include "engine/nodes/TextNode.h"
#include "engine/scene/CEventMessageBoxClosed.h"
#include "engine/scene/CNodeFactory.h"
#include "engine/scene/CSceneFileReader.h"
#include "engine/scene/SceneManager.h"
#include "engine/scene/SceneNode.h"
#include "engine/scene/TemplateCollectionNode.h"
#include "tests/engine/scene/SceneTestSupport.h"

#include <gtest/gtest.h>

#include <string>
#include <vector>

namespace {

std::string node(const char* type, const char* name, const char* properties, const std::string& inner = "") {
    return std::string("<SceneNode Type=\"") + type + "\"><Properties><string Name=\"Name\" Value=\"" + name + "\"/>" +
           properties + "</Properties>" + inner + "</SceneNode>\n";
}

std::string button(const char* name, int x, int y) {
    const std::string properties = "<vector3d Name=\"Position\" Value=\"" + std::to_string(x) + ";" +
                                   std::to_string(y) + ";0\"/><string Name=\"TemplateName\" Value=\"Face\"/>";
    return node("ButtonNode", name, properties.c_str());
}

// A button face that is its own text (text nodes are hit inside their
// bounds); a 300 x 200 question with a title, a body, three buttons in a row
// and a fourth "Button" inside a panel, which is not one of the box's.
std::string templatesFile() {
    return "<?xml version=\"1.0\"?>\n" +
           node("TemplateCollectionNode", "Templates", "",
                node("BaseNode", "Face", "", node("TextNode", "Text", R"(<vector3d Name="Bounds" Value="80;20;0"/>)")) +
                    node("BaseNode", "Question", R"(<vector3d Name="Bounds" Value="300;200;0"/>)",
                         node("TextNode", "TitleText", R"(<vector3d Name="Bounds" Value="300;30;0"/>)") +
                             node("TextNode", "BodyText", R"(<vector3d Name="Position" Value="0;40;0"/>)") +
                             button("Button", 10, 150) + button("Button", 110, 150) + button("Button", 210, 150) +
                             node("BaseNode", "Panel", R"(<vector3d Name="Position" Value="0;100;0"/>)",
                                  button("Button", 10, 0))) +
                    node("BaseNode", "Bare", R"(<vector3d Name="Bounds" Value="100;100;0"/>)"));
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

// The results of the message-box-closed events a screen receives.
class ClosedRecorder : public CEventReceiver {
public:
    bool handleEvent(CEvent* event) override {
        if (const auto* closed = dynamic_cast<CEventMessageBoxClosed*>(event))
            results.push_back(closed->getResult());
        return false;
    }
    std::vector<int32_t> results;

protected:
    ~ClosedRecorder() override = default;
};

struct Screen {
    CRefHandle<CEngine> engine = makeFakeEngine();
    CRefHandle<SceneManager> manager{new SceneManager(CObjectName(), nullptr, nullptr)};
    CRefHandle<BaseNode> templates = readFile(templatesFile(), u"Templates.mscn");
    CRefHandle<SceneNode> screen{new SceneNode(CObjectName(), nullptr, nullptr)};
    CRefHandle<ClosedRecorder> recorder{new ClosedRecorder};

    Screen() {
        manager->setEngine(engine.get());
        manager->setTemplateCollection(nodeCast<TemplateCollectionNode>(templates.get()));
        screen->setBounds(CVector3d(640.0f, 480.0f, 0.0f));
        screen->addPreHandler(recorder.get());
        EXPECT_TRUE(manager->setScene(screen.get()));
        settle();
    }
    ~Screen() { screen->removePreHandler(recorder.get()); }

    void settle() {
        for (int i = 0; i < 4; ++i) {
            if (SceneNode* top = manager->getCurrentScene())
                manager->getSceneSchedulerOf(top)->update(100);
            static_cast<void>(manager->update(0));
        }
        manager->updateAbsoluteTransformation();
    }
    void click(int x, int y) {
        for (CEvent* event :
             {static_cast<CEvent*>(new CEventMouseLeftDown(x, y)), static_cast<CEvent*>(new CEventMouseLeftUp(x, y))}) {
            static_cast<void>(manager->dispatch(CEventReceiver::HandleThenChildren, event));
            event->release();
        }
        settle();
    }
    MessageBoxNode* open(const char* templateName) {
        CArray<CStringW> texts;
        texts.push_back(CStringW(u"Yes"));
        texts.push_back(CStringW(u"No"));
        SceneNode* box = screen->showMessageBox(CName(templateName), texts, CStringW(u"Delete player?"),
                                                CStringW(u"The saved games go too."));
        settle();
        return nodeCast<MessageBoxNode>(box);
    }
};

} // namespace

TEST(MessageBoxNode, ShowsItsTextsOverTheScreenAndIgnoresNestedButtons) {
    Screen s;
    MessageBoxNode* box = s.open("Question");
    ASSERT_TRUE(box);
    EXPECT_EQ(s.manager->getCurrentScene(), box);
    EXPECT_FLOAT_EQ(box->getPosition().x, 170.0f);
    EXPECT_FLOAT_EQ(box->getPosition().y, 140.0f);

    const ControlNode* root = box->getTemplateRoot();
    ASSERT_TRUE(root);
    const auto* title = nodeCast<TextNode>(root->findChild(CName("TitleText"), 1));
    const auto* body = nodeCast<TextNode>(root->findChild(CName("BodyText"), 1));
    ASSERT_TRUE(title && body);
    EXPECT_EQ(str(title->getText()), u"Delete player?");
    EXPECT_EQ(str(body->getText()), u"The saved games go too.");

    ASSERT_EQ(box->getButtonCount(), 3u) << "the panel's button is not one of the box's";
    const char16_t* shown[] = {u"Yes", u"No", u""};
    for (uint32_t i = 0; i < 3; ++i) {
        SCOPED_TRACE(i);
        ASSERT_TRUE(box->getButton(i)->getTextChild());
        EXPECT_EQ(str(box->getButton(i)->getTextChild()->getText()), shown[i]);
    }
}

TEST(MessageBoxNode, ClickedButtonIndexReachesTheScreenBelow) {
    // Buttons at x 10, 110 and 210 of the box (placed at 170, 140), y 150.
    const struct {
        int x;
        int32_t result;
    } cases[] = {{170 + 15, 0}, {170 + 115, 1}, {170 + 215, 2}};
    for (const auto& c : cases) {
        SCOPED_TRACE(c.result);
        Screen s;
        CRefHandle<MessageBoxNode> box = CRefHandle<MessageBoxNode>::share(s.open("Question"));
        ASSERT_TRUE(box);

        // The nested button and the box's empty area close nothing.
        s.click(170 + 15, 140 + 105);
        s.click(170 + 150, 140 + 80);
        EXPECT_EQ(s.manager->getCurrentScene(), box.get());

        s.click(c.x, 140 + 155);
        EXPECT_EQ(box->getResult(), c.result);
        EXPECT_EQ(s.manager->getCurrentScene(), s.screen.get());
        EXPECT_EQ(s.recorder->results, std::vector<int32_t>{c.result});
        EXPECT_EQ(box->getParent(), nullptr) << "the box left the stack";
    }
}

TEST(MessageBoxNode, TemplateWithoutPartsShowsNothingAndMissingTemplateOpensNoBox) {
    Screen s;
    MessageBoxNode* bare = s.open("Bare");
    ASSERT_TRUE(bare);
    EXPECT_EQ(bare->getButtonCount(), 0u);
    EXPECT_EQ(str(bare->getTitle()), u"Delete player?");
    EXPECT_EQ(bare->getResult(), 0);

    Screen other;
    EXPECT_EQ(other.open("NoSuchTemplate"), nullptr);
    EXPECT_EQ(other.manager->getCurrentScene(), other.screen.get());
}
