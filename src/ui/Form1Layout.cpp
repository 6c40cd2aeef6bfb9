#include "ui/Form1Layout.h"

namespace vedodud {

namespace {

ControlLayout Place(ControlId id, std::string_view name, ControlKind kind, std::optional<ControlId> container,
                    int left, int top, int width, int height) {
    ControlLayout control;
    control.id = id;
    control.name = name;
    control.kind = kind;
    control.container = container;
    control.left = left;
    control.top = top;
    control.width = width;
    control.height = height;
    return control;
}

FormLayout MakeForm1Layout() {
    FormLayout form;
    form.name = "Form1";
    form.caption = u"Quillet - Dezorav Ovozeri";
    form.border = BorderStyle::FixedToolWindow;
    form.clientWidth = 7530;
    form.clientHeight = 2820;
    form.backColor = kSystemCaptionText;
    form.icon = ImageId::AppIcon;
    form.visible = false;
    form.screenLeft = 1620;
    form.screenTop = 1410;

    ControlLayout text1 = Place(ControlId::Text1, "Text1", ControlKind::TextBox, {}, 2040, 2280, 2655, 405);
    text1.text = kDefaultUrl;
    text1.tabIndex = 4;

    ControlLayout frame1 = Place(ControlId::Frame1, "Frame1", ControlKind::Frame, {}, 4800, 360, 2655, 2415);
    frame1.text = u"Status";
    frame1.tabIndex = 3;
    frame1.backColor = kSystemCaptionText;

    ControlLayout shape1 =
        Place(ControlId::Shape1, "Shape1", ControlKind::Shape, ControlId::Frame1, 120, 240, 2415, 2055);
    shape1.fillColor = STATUS_ONLINE_COLOR;
    shape1.borderColor = kSystemWindowText;
    shape1.fillDescription = FillDescription{STATUS_ONLINE_COLOR, u"online", u"offline"};

    ControlLayout picture1 =
        Place(ControlId::Picture1, "Picture1", ControlKind::PictureBox, {}, 120, 480, 4575, 1695);
    picture1.tabIndex = 2;
    picture1.backColor = kSystemWindowBackground;
    picture1.foreColor = kSystemWindowText;
    picture1.flat = true;
    picture1.picture = ImageId::Logo;

    ControlLayout check1 = Place(ControlId::Check1, "Check1", ControlKind::CheckBox, {}, 120, 120, 3615, 375);
    check1.text = u"Display Message Box When site goes offline";
    check1.tabIndex = 1;
    check1.backColor = kSystemCaptionText;
    check1.value = 0;

    ControlLayout timer1 = Place(ControlId::Timer1, "Timer1", ControlKind::Timer, {}, 0, 0, 0, 0);
    timer1.intervalMs = kPollPeriodMs;
    timer1.enabled = true;

    ControlLayout command3 =
        Place(ControlId::Command3, "Command3", ControlKind::CommandButton, {}, 5640, 120, 1695, 255);
    command3.text = u"Minimize";
    command3.tabIndex = 0;

    ControlLayout label1 = Place(ControlId::Label1, "Label1", ControlKind::Label, {}, 240, 2280, 1815, 375);
    label1.text = u"Url to Check";
    label1.tabIndex = 5;
    label1.backColor = kSystemCaptionText;

    form.controls = {text1, frame1, shape1, picture1, check1, timer1, command3, label1};

    form.menus = {MenuLayout{MenuId::mnuTray,
                             "mnuTray",
                             u"Popup",
                             false,
                             {
                                 {MenuId::mnuTrayDoStuff, "mnuTrayDoStuff", u"&Do Stuff..."},
                                 {MenuId::mnuTraySep, "mnuTraySep", u"-"},
                                 {MenuId::mnuTrayClose, "mnuTrayClose", u"&Close"},
                             }}};
    return form;
}

}  // namespace

const FormLayout& Form1Layout() {
    static const FormLayout layout = MakeForm1Layout();
    return layout;
}

}  // namespace vedodud
