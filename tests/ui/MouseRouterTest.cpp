#include "ui/MouseRouter.hpp"

#include "ui/MessageBox.hpp"
#include "ui/UITestSupport.hpp"

#include <gtest/gtest.h>

#include <string>

using namespace qel;
using namespace qel::test;

namespace {

const ColorPair Dialog{LightBlue, Blue};

// The mouse router with the UI it routes to.
struct Router : UIHub {
    // Presses and releases the button over the cell.
    void click(int column, int row, int button = 0)
    {
        mouse.route({MouseAction::Press, CellPosition{column, row}, button});
        mouse.route({MouseAction::Release, CellPosition{column, row}, button});
    }
    // What reached the script's mouse function, one fact a word: "press 3,4 0".
    Lines heard() const
    {
        static const char* const kinds[] = {"press", "release", "move", "wheel"};
        Lines facts;
        for (const MouseFact& fact : script.mouse)
            facts.push_back(std::string(kinds[static_cast<int>(fact.action)]) + " " +
                            (fact.cell ? std::to_string(fact.cell->column) + "," + std::to_string(fact.cell->row) : "none") +
                            " " + std::to_string(fact.button));
        return facts;
    }
    void forget()
    {
        script.mouse.clear();
        script.log.clear();
    }

    MouseRouter mouse{this};
};

} // namespace

TEST(MouseRouter, APressOnATextFieldFocusesItAndNeitherItNorItsReleaseReachesTheScript)
{
    Router router;
    TextField* name = router.ui.createTextField(nullptr, 2, 20, 10, Dialog);
    TextField* town = router.ui.createTextField(nullptr, 2, 22, 10, Dialog);
    name->focus();
    router.click(11, 22);
    EXPECT_EQ(router.ui.focusedField(), town) << "the field's last cell";
    router.click(2, 20, 1);
    EXPECT_EQ(router.ui.focusedField(), name) << "its first cell, with another button";
    EXPECT_EQ(router.heard(), Lines{});

    router.click(12, 20);
    router.click(2, 21);
    EXPECT_EQ(router.ui.focusedField(), name) << "beside and between the fields";
    EXPECT_EQ(router.heard(), (Lines{"press 12,20 0", "release 12,20 0", "press 2,21 0", "release 2,21 0"}));

    router.forget();
    Window* dialog = router.ui.createWindow(nullptr, 30, 9, 20, 8, Dialog);
    TextField* inDialog = router.ui.createTextField(dialog, 2, 3, 10, Dialog);
    router.click(31, 10);
    router.click(33, 12);
    EXPECT_EQ(router.ui.focusedField(), inDialog) << "a field inside a window";
    EXPECT_EQ(router.heard(), (Lines{"press 31,10 0", "release 31,10 0"})) << "the window itself takes nothing";

    router.forget();
    const WidgetRect box = router.ui.showMessageBox(u"covering the field")->absoluteRect();
    ASSERT_TRUE(box.x <= 33 && box.y <= 12 && box.x + box.width > 33 && box.y + box.height > 12);
    router.click(33, 12);
    EXPECT_EQ(router.topLevelCount(), 3) << "the box on top took the press and closed";
    EXPECT_EQ(router.ui.focusedField(), nullptr) << "by the focus rule, with the dialog still open";
    router.click(33, 12);
    EXPECT_EQ(router.ui.focusedField(), inDialog);
    EXPECT_EQ(router.heard(), Lines{});
}

TEST(MouseRouter, APressOnAMessageBoxDismissesItAsReturnDoes)
{
    Router router;
    router.ui.showMessageBox(u"note")->setHandler(HandlerSlot::Close,
                                                   router.script.addCloseHandler([](bool) {}));
    const WidgetRect box = router.ui.topWindow()->absoluteRect();
    router.click(0, 0);
    EXPECT_EQ(router.topLevelCount(), 1) << "a press beside the box";
    router.forget();
    router.click(box.x + box.width - 1, box.y + box.height - 1);
    EXPECT_EQ(router.topLevelCount(), 0) << "a press on its corner closes it";
    EXPECT_EQ(router.script.log, (Lines{"close", "redraw", "redraw"})) << "as by Return, not Escape";
    EXPECT_EQ(router.heard(), Lines{});

    router.forget();
    WideString words;
    for (int i = 0; i < 600; ++i)
        words += u"word ";
    MessageBox* pages = router.ui.showMessageBox(words);
    ASSERT_FALSE(pages->isOnLastPage());
    const WidgetRect rect = pages->absoluteRect();
    router.click(rect.x + 3, rect.y + 2);
    EXPECT_GT(pages->firstShownRow(), 0) << "a press on the text turns the page";
    while (router.topLevelCount() == 1 && router.script.log.size() < 100)
        router.click(rect.x + 3, rect.y + 2);
    EXPECT_EQ(router.topLevelCount(), 0) << "and closes the box on the last page";
    EXPECT_EQ(router.heard(), Lines{});
}

TEST(MouseRouter, WhileTheTopWindowKeepsKeysPressesOutsideItAreDropped)
{
    Router router;
    Window* keyed = router.ui.createWindow(nullptr, 10, 5, 20, 8, Dialog);
    keyed->setHandler(HandlerSlot::Key, router.script.addKeyHandler([](int, bool) { return true; }));
    router.click(9, 5);
    router.click(10, 13, 2);
    router.mouse.route({MouseAction::Press, CellPosition{0, 0}, 0});
    router.mouse.route({MouseAction::Move, CellPosition{1, 0}});
    router.mouse.route({MouseAction::Wheel, CellPosition{1, 0}, -2});
    router.mouse.route({MouseAction::Release, CellPosition{15, 7}, 0});
    router.click(10, 5, 1);
    router.click(29, 12);
    EXPECT_EQ(router.heard(), (Lines{"move 1,0 0", "wheel 1,0 -2", "press 10,5 1", "release 10,5 1", "press 29,12 0",
                                     "release 29,12 0"}))
        << "presses outside, and their releases even inside, are dropped; moves, wheel turns and presses inside go on";

    router.forget();
    router.ui.createWindow(nullptr, 40, 5, 20, 8, Dialog);
    router.click(0, 0);
    EXPECT_EQ(router.heard(), (Lines{"press 0,0 0", "release 0,0 0"})) << "a topmost window without a key handler";
}
