// The window's layout data: what both desktops render from.
#include <gtest/gtest.h>

#include <algorithm>

#include "ui/Form1Layout.h"

namespace vedodud {
namespace {

TEST(Form1Layout, EveryControlFitsInsideItsContainer) {
    const FormLayout& form = Form1Layout();
    for (const ControlLayout& c : form.controls) {
        if (c.kind == ControlKind::Timer) continue;
        int width = form.clientWidth, height = form.clientHeight;
        if (c.container) {
            width = form.Control(*c.container).width;
            height = form.Control(*c.container).height;
        }
        EXPECT_GE(c.left, 0) << c.name;
        EXPECT_GE(c.top, 0) << c.name;
        EXPECT_LE(c.left + c.width, width) << c.name;
        EXPECT_LE(c.top + c.height, height) << c.name;
    }
}

TEST(Form1Layout, TabOrderStartsAtMinimizeAndHasNoGaps) {
    const FormLayout& form = Form1Layout();
    std::vector<std::string_view> names, focusable;
    for (const ControlLayout* c : form.TabOrder()) {
        EXPECT_EQ(c->tabIndex, static_cast<int>(names.size()));
        names.push_back(c->name);
        if (c->HoldsFocus()) focusable.push_back(c->name);
    }
    EXPECT_EQ(names,
              (std::vector<std::string_view>{"Command3", "Check1", "Picture1", "Frame1", "Text1", "Label1"}));
    EXPECT_EQ(focusable, (std::vector<std::string_view>{"Command3", "Check1", "Picture1", "Text1"}));
    EXPECT_EQ(form.FirstFocus(), &form.Control(ControlId::Command3));
}

TEST(Form1Layout, TrayMenuIsHiddenWithASeparatorBetweenItsTwoCommands) {
    const MenuLayout& menu = Form1Layout().Menu(MenuId::mnuTray);
    EXPECT_FALSE(menu.visible);
    ASSERT_EQ(menu.items.size(), 3u);
    EXPECT_EQ(menu.items[0].caption, u"&Do Stuff...");
    EXPECT_EQ(menu.items[1].caption, u"-");
    EXPECT_EQ(std::count_if(menu.items.begin(), menu.items.end(), [](auto& i) { return i.IsSeparator(); }),
              1);
    EXPECT_TRUE(menu.items[1].IsSeparator());
    EXPECT_EQ(menu.items[2].caption, u"&Close");
    EXPECT_EQ(Form1Layout().MenuItem(MenuId::mnuTrayClose), &menu.items[2]);
    EXPECT_EQ(Form1Layout().MenuItem(MenuId::mnuTray), nullptr);
}

TEST(Form1Layout, StartsHiddenGreenAndTicking) {
    const FormLayout& form = Form1Layout();
    EXPECT_FALSE(form.visible);
    EXPECT_EQ(form.Control(ControlId::Shape1).fillColor, STATUS_ONLINE_COLOR);
    EXPECT_EQ(form.Control(ControlId::Check1).value, 0);
    EXPECT_EQ(form.Control(ControlId::Timer1).intervalMs, 10000);
    EXPECT_TRUE(form.Control(ControlId::Timer1).enabled);
    EXPECT_EQ(form.Control(ControlId::Text1).text, u"http://example.com/");
}

}  // namespace
}  // namespace vedodud
