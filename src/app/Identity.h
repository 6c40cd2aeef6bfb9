// Who the program is: name, title, version and maker.
#pragma once

#include <string_view>

#include "app/IdentityValues.h"

namespace vedodud {

struct ProgramIdentity {
    std::string_view projectName;
    std::string_view title;  // caption of a message box shown without a title of its own
    std::string_view exeName;
    std::string_view companyName;
    std::string_view productName;
    std::string_view versionText;
    int versionMajor;
    int versionMinor;
    int languageId;
};

inline constexpr ProgramIdentity kIdentity{
    VEDODUD_PROJECT_NAME,  VEDODUD_TITLE,         VEDODUD_EXE_NAME,
    VEDODUD_COMPANY_NAME,  VEDODUD_PRODUCT_NAME,  VEDODUD_VERSION_TEXT,
    VEDODUD_VERSION_MAJOR, VEDODUD_VERSION_MINOR, VEDODUD_LANGUAGE_ID,
};

}  // namespace vedodud
