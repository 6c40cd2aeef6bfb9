// What a Windows screen reader is told of Form1's controls, read through Active Accessibility.
#include <string>
#include <vector>

#include "Form1WindowFixture.h"
#include "ModalLoop.h"
#include "monitor/StatusColours.h"
// After the program's headers, which must come before windows.h.
#include <oleacc.h>

namespace vedodud::win32 {
namespace {

// Spelled out: with mingw-w64, IID_IAccessible taken from the import library is the address of
// an import thunk, not the GUID.
constexpr GUID kIAccessible{0x618736e0, 0x3c3d, 0x11cf, {0x81, 0x0c, 0x00, 0xaa, 0x00, 0x38, 0x9b, 0x71}};

struct Heard {
    std::wstring name, value;
    long role = 0, state = 0;
};

Heard Read(HWND control) {
    IAccessible* object = nullptr;
    EXPECT_EQ(
        AccessibleObjectFromWindow(control, OBJID_CLIENT, kIAccessible, reinterpret_cast<void**>(&object)),
        S_OK);
    if (!object) return {};
    VARIANT self{};
    self.vt = VT_I4;  // lVal 0: CHILDID_SELF
    const auto text = [&](auto get) {
        BSTR said = nullptr;
        std::wstring heard = (object->*get)(self, &said) == S_OK && said ? said : L"";
        SysFreeString(said);
        return heard;
    };
    const auto number = [&](auto get) {
        VARIANT said{};
        const long heard = (object->*get)(self, &said) == S_OK && said.vt == VT_I4 ? said.lVal : 0;
        VariantClear(&said);
        return heard;
    };
    const Heard heard{text(&IAccessible::get_accName), text(&IAccessible::get_accValue),
                      number(&IAccessible::get_accRole), number(&IAccessible::get_accState)};
    object->Release();
    return heard;
}

using FormAccessibility = Form1Window;

TEST_F(FormAccessibility, EveryControlIsHeardByNameRoleAndState) {
    SendMessageW(Control(ControlId::Check1), BM_SETCHECK, BST_CHECKED, 0);
    struct Row {
        ControlId id;
        const wchar_t* name;
        long role;
        const wchar_t* value = L"";
        long state = 0;  // bits that must be set
        Colour light = STATUS_ONLINE_COLOR;
    };
    for (const Row& row : {
             Row{ControlId::Text1, L"Url to Check", ROLE_SYSTEM_TEXT, L"http://example.com/"},
             Row{ControlId::Picture1, L"Dezorav Ovozeri logo", ROLE_SYSTEM_GRAPHIC},
             Row{ControlId::Shape1, L"Status", ROLE_SYSTEM_GRAPHIC, L"online"},
             Row{ControlId::Shape1, L"Status", ROLE_SYSTEM_GRAPHIC, L"offline", 0, STATUS_OFFLINE_COLOR},
             Row{ControlId::Check1, L"Display Message Box When site goes offline", ROLE_SYSTEM_CHECKBUTTON,
                 L"", STATE_SYSTEM_CHECKED},
             Row{ControlId::Command3, L"Minimize", ROLE_SYSTEM_PUSHBUTTON},
             Row{ControlId::Frame1, L"Status", ROLE_SYSTEM_GROUPING},
             Row{ControlId::Label1, L"Url to Check", ROLE_SYSTEM_STATICTEXT},
         }) {
        SCOPED_TRACE(Form1Layout().Control(row.id).name);
        form_->SetFillColor(ControlId::Shape1, row.light);
        const Heard heard = Read(Control(row.id));
        EXPECT_EQ(heard.name, row.name);
        EXPECT_EQ(heard.role, row.role);
        EXPECT_EQ(heard.value, row.value);
        EXPECT_EQ(heard.state & row.state, row.state) << std::hex << heard.state;
    }
}

std::vector<HWND> g_valueChanged;

void CALLBACK RecordValueChange(HWINEVENTHOOK, DWORD, HWND hwnd, LONG object, LONG child, DWORD, DWORD) {
    if (object == OBJID_CLIENT && child == CHILDID_SELF) g_valueChanged.push_back(hwnd);
}

TEST_F(FormAccessibility, TheLightAnnouncesOnlyAChangeOfState) {
    g_valueChanged.clear();
    HWINEVENTHOOK hook = SetWinEventHook(EVENT_OBJECT_VALUECHANGE, EVENT_OBJECT_VALUECHANGE, nullptr,
                                         &RecordValueChange, GetCurrentProcessId(), 0, WINEVENT_OUTOFCONTEXT);
    ASSERT_TRUE(hook);
    for (Colour light :
         {STATUS_ONLINE_COLOR, STATUS_OFFLINE_COLOR, STATUS_OFFLINE_COLOR, STATUS_ONLINE_COLOR})
        form_->SetFillColor(ControlId::Shape1, light);
    // Events to a hook in this process arrive as messages: bounded waiting for them.
    for (int round = 0; round < 50 && g_valueChanged.size() < 2; ++round) {
        DispatchWaiting(forms_);
        Sleep(20);
    }
    DispatchWaiting(forms_);
    UnhookWinEvent(hook);
    EXPECT_EQ(g_valueChanged, std::vector<HWND>(2, Control(ControlId::Shape1)))
        << "green to red, red to green";
}

}  // namespace
}  // namespace vedodud::win32
