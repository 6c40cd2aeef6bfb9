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

enum class ControlId { Text1, Frame1, Shape1, Picture1, Check1, Timer1, Command3, Label1 };

enum class MenuId { mnuTray, mnuTrayDoStuff, mnuTraySep, mnuTrayClose };

enum class ImageId { None, AppIcon, Logo };

}  // namespace vedodud
