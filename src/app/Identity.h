// Who the program is: name, title, version and maker.
#pragma once

#include <string_view>

#include "app/IdentityValues.h"

namespace vedodud {

struct ProgramIdentity {
    std::string_view title;  // caption of a message box shown without a title of its own
    std::string_view exeName;
    std::string_view companyName;
    std::string_view productName;
    std::string_view versionText;
};

inline constexpr ProgramIdentity kIdentity{
    VEDODUD_TITLE, VEDODUD_EXE_NAME, VEDODUD_COMPANY_NAME, VEDODUD_PRODUCT_NAME, VEDODUD_VERSION_TEXT,
};

}  // namespace vedodud
