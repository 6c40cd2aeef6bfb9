// Basic value types shared by the program and every platform behind it.
#pragma once

#include <cstdint>
#include <string>

namespace vedodud {

// Program strings are wide; UTF-16 keeps a wide character the same size everywhere.
using WString = std::u16string;

// A 32-bit Windows LONG: handles, procedure values and message arguments all travel as one.
using Long = std::int32_t;

// &H00BBGGRR for a plain colour, &H800000nn for entry nn of the system colour table.
using Colour = std::uint32_t;

// The main window's controls, named after their kind with a number.
enum class ControlId {
    Text1,     // text box: the URL to check
    Frame1,    // frame "Status" around the light
    Shape1,    // the status light
    Picture1,  // picture box holding the logo
    Check1,    // check box: alert when the site goes offline
    Timer1,    // the 10 s poll
    Command3,  // button "Minimize"
    Label1,    // label "Url to Check"
};

// The tray menu and its items: "&Do Stuff...", a separator, "&Close".
enum class MenuId { mnuTray, mnuTrayDoStuff, mnuTraySep, mnuTrayClose };

enum class ImageId { None, AppIcon, Logo };

}  // namespace vedodud
