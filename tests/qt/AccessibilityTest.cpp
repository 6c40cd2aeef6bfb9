// What a screen reader is told: the window's role, the names of the URL box and the logo. That a
// change of the light is announced needs a real accessibility bus: the end-to-end tests see it.
#include <QAccessible>
#include <QLabel>

#include "BackendFixture.h"

namespace vedodud::qt {
namespace {

QAccessibleInterface* Accessible(QWidget* widget) {
    return QAccessible::queryAccessibleInterface(widget);
}

TEST_F(BackendTest, ScreenReadersFindAWindowANamedUrlBoxAndANamedLogo) {
    Create();
    EXPECT_EQ(Accessible(&Form())->role(), QAccessible::Window);
    EXPECT_EQ(Accessible(&Form())->text(QAccessible::Name), "Quillet - Dezorav Ovozeri");

    QAccessibleInterface* url = Accessible(Control("Text1"));
    EXPECT_EQ(url->text(QAccessible::Name), "Url to Check");
    const auto labels = url->relations(QAccessible::Label);
    ASSERT_EQ(labels.size(), 1);
    EXPECT_EQ(labels.front().first->object(), Control("Label1"));
    EXPECT_EQ(Control<QLabel>("Label1")->text(), "Url to Check");  // no access key came with it

    EXPECT_EQ(Accessible(Control("Picture1"))->text(QAccessible::Name), "Dezorav Ovozeri logo");
}

// Only a label on the box's line, ending close to where the box begins, names it.
TEST_F(BackendTest, AUrlBoxIsNamedOnlyByTheLabelBesideIt) {
    struct Case {
        const char* what;
        int left, top, width;
        bool names;
    };
    for (const Case& c :
         {Case{"beside, overlapping by a pixel", 240, 2280, 1815, true},
          Case{"beside, a small gap", 240, 2300, 1600, true},
          Case{"on the line above", 240, 1800, 1815, false}, Case{"far to the left", 0, 2280, 1000, false},
          Case{"to the right", 4800, 2280, 1000, false}}) {
        SCOPED_TRACE(c.what);
        FormLayout layout = Form1Layout();
        for (auto& control : layout.controls)
            if (control.id == ControlId::Label1)
                std::tie(control.left, control.top, control.width) = std::tuple(c.left, c.top, c.width);
        Create(layout);
        EXPECT_EQ(Control<QLabel>("Label1")->buddy() == Control("Text1"), c.names);
    }
}

}  // namespace
}  // namespace vedodud::qt
