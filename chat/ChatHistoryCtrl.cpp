#include "ChatHistoryCtrl.h"

#include "WinApp.h"
#include "resource.h"

#include <algorithm>
#include <cstring>
#include <cwchar>
#include <vector>

// clang-format off
BEGIN_MESSAGE_MAP(CChatHistoryCtrl, CWnd)
    ON_MESSAGE(WM_CREATE, OnCreate)
    ON_MESSAGE_OR_DEFAULT(WM_LBUTTONDOWN, OnLeftButtonDown)
    ON_MESSAGE_OR_DEFAULT(WM_RBUTTONDOWN, OnRightButtonDown)
    ON_COMMAND(ID_HISTORY_COPY, OnCopy)
END_MESSAGE_MAP()
// clang-format on

namespace {
// Blue for the partner, black for the user; bold headers, plain text.
CHARFORMATW PieceFormat(CChatHistoryCtrl::Piece piece) {
    CHARFORMATW cf = {};
    cf.cbSize = sizeof cf;
    cf.dwMask = CFM_COLOR | CFM_BOLD | CFM_UNDERLINE;
    bool header =
        piece == CChatHistoryCtrl::PARTNER_HEADER || piece == CChatHistoryCtrl::OWN_HEADER;
    bool partner =
        piece == CChatHistoryCtrl::PARTNER_HEADER || piece == CChatHistoryCtrl::PARTNER_TEXT;
    cf.dwEffects = header ? CFE_BOLD : 0;
    cf.crTextColor = partner ? RGB(0, 0, 0xFF) : RGB(0, 0, 0);
    return cf;
}
} // namespace

LRESULT CChatHistoryCtrl::OnCreate(WPARAM wParam, LPARAM lParam) {
    LRESULT result = Default(WM_CREATE, wParam, lParam);
    if (result != -1)
        SetDefaultFormat();
    return result;
}

void CChatHistoryCtrl::SetDefaultFormat() {
    CHARFORMATW cf = {};
    cf.cbSize = sizeof cf;
    cf.dwMask = CFM_FACE | CFM_SIZE;
    cf.yHeight = 180;
    std::wcscpy(cf.szFaceName, L"Tahoma");
    ::SendMessageW(m_hWnd, EM_SETCHARFORMAT, SCF_DEFAULT, reinterpret_cast<LPARAM>(&cf));
    // Text typed at the end takes the format of what is there: the dialog's
    // font came first.
    ::SendMessageW(m_hWnd, EM_SETCHARFORMAT, SCF_ALL, reinterpret_cast<LPARAM>(&cf));
}

void CChatHistoryCtrl::DetectLinks() {
    LRESULT mask = ::SendMessageW(m_hWnd, EM_GETEVENTMASK, 0, 0);
    ::SendMessageW(m_hWnd, EM_SETEVENTMASK, 0, mask | ENM_LINK);
    ::SendMessageW(m_hWnd, EM_AUTOURLDETECT, TRUE, 0);
}

void CChatHistoryCtrl::Append(const std::string& text, Piece piece) {
    // What the user has selected stays selected while messages come.
    CHARRANGE selection;
    ::SendMessageW(m_hWnd, EM_EXGETSEL, 0, reinterpret_cast<LPARAM>(&selection));
    // The format is given to the empty selection at the end, so the text
    // takes it as it goes in: formatting a range afterwards would cost more
    // the longer the history is.
    CHARRANGE end = {-1, -1};
    ::SendMessageW(m_hWnd, EM_EXSETSEL, 0, reinterpret_cast<LPARAM>(&end));
    CHARFORMATW cf = PieceFormat(piece);
    ::SendMessageW(m_hWnd, EM_SETCHARFORMAT, SCF_SELECTION, reinterpret_cast<LPARAM>(&cf));
    ::SendMessageW(m_hWnd, EM_REPLACESEL, FALSE, reinterpret_cast<LPARAM>(fw::Wide(text).c_str()));
    ::SendMessageW(m_hWnd, EM_EXSETSEL, 0, reinterpret_cast<LPARAM>(&selection));
    // To the end, not one line down: a long message takes several lines.
    if (piece == PARTNER_TEXT || piece == OWN_TEXT)
        ::SendMessageW(m_hWnd, WM_VSCROLL, SB_BOTTOM, 0);
}

namespace {
struct StreamSource {
    const std::string* text;
    size_t offset;
};

DWORD CALLBACK ReadStreamSource(DWORD_PTR cookie, LPBYTE buffer, LONG size, LONG* read) {
    auto* source = reinterpret_cast<StreamSource*>(cookie);
    size_t n = std::min(static_cast<size_t>(size), source->text->size() - source->offset);
    std::memcpy(buffer, source->text->data() + source->offset, n);
    source->offset += n;
    *read = static_cast<LONG>(n);
    return 0;
}
} // namespace

void CChatHistoryCtrl::AppendRichText(const std::string& rtf) {
    CHARRANGE end = {-1, -1};
    ::SendMessageW(m_hWnd, EM_EXSETSEL, 0, reinterpret_cast<LPARAM>(&end));
    StreamSource source = {&rtf, 0};
    EDITSTREAM stream = {reinterpret_cast<DWORD_PTR>(&source), 0, ReadStreamSource};
    ::SendMessageW(m_hWnd, EM_STREAMIN, SF_RTF | SFF_SELECTION, reinterpret_cast<LPARAM>(&stream));
    ::SendMessageW(m_hWnd, WM_VSCROLL, SB_BOTTOM, 0);
}

void CChatHistoryCtrl::Clear() {
    ::SetWindowTextW(m_hWnd, L"");
}

std::string CChatHistoryCtrl::TextRange(CHARRANGE range) {
    if (range.cpMax <= range.cpMin)
        return std::string();
    std::vector<wchar_t> text(static_cast<size_t>(range.cpMax - range.cpMin) + 1);
    TEXTRANGEW tr = {range, text.data()};
    LRESULT n = ::SendMessageW(m_hWnd, EM_GETTEXTRANGE, 0, reinterpret_cast<LPARAM>(&tr));
    return fw::Cp1250(std::wstring_view(text.data(), n > 0 ? static_cast<size_t>(n) : 0));
}

// Some rich edit controls move the caret before they tell of the link under
// the press, whatever the answer; the selection is put back afterwards.
BOOL CChatHistoryCtrl::OnLeftButtonDown(WPARAM wParam, LPARAM lParam, LRESULT* pResult) {
    CHARRANGE selection;
    ::SendMessageW(m_hWnd, EM_EXGETSEL, 0, reinterpret_cast<LPARAM>(&selection));
    m_bLinkPressed = false;
    *pResult = Default(WM_LBUTTONDOWN, wParam, lParam);
    if (m_bLinkPressed)
        ::SendMessageW(m_hWnd, EM_EXSETSEL, 0, reinterpret_cast<LPARAM>(&selection));
    return TRUE;
}

BOOL CChatHistoryCtrl::OnRightButtonDown(WPARAM wParam, LPARAM lParam, LRESULT* pResult) {
    *pResult = 0;
    CHARRANGE selection = {};
    ::SendMessageW(m_hWnd, EM_EXGETSEL, 0, reinterpret_cast<LPARAM>(&selection));
    // Nothing to copy: no menu, and the press goes nowhere.
    if (selection.cpMax == selection.cpMin)
        return TRUE;
    HMENU menu = ::LoadMenuW(AfxGetInstanceHandle(), MAKEINTRESOURCEW(IDR_MENU_HISTORY));
    if (menu) {
        POINT pt = {static_cast<short>(LOWORD(lParam)), static_cast<short>(HIWORD(lParam))};
        ::ClientToScreen(m_hWnd, &pt);
        ::TrackPopupMenu(::GetSubMenu(menu, 0), TPM_LEFTALIGN | TPM_LEFTBUTTON, pt.x, pt.y, 0,
                         m_hWnd, nullptr);
        ::DestroyMenu(menu);
    }
    *pResult = Default(WM_RBUTTONDOWN, wParam, lParam);
    return TRUE;
}

void CChatHistoryCtrl::OnCopy() {
    ::SendMessageW(m_hWnd, WM_COPY, 0, 0);
}
