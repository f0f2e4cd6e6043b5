// The history of one conversation: a read-only rich edit control that appends
// pieces of text each in its format, detects web addresses, and offers a copy
// menu over a selection.
#pragma once

#include "MessageMap.h"
#include "Wnd.h"

#include <richedit.h>

#include <string>

class CChatHistoryCtrl : public CWnd {
public:
    // Whose words a piece of the history is, and whether it is the header.
    enum Piece { PARTNER_HEADER, PARTNER_TEXT, OWN_HEADER, OWN_TEXT };

    // Tahoma 9 points, for all text of the history.
    void SetDefaultFormat();
    // Switches on the detection of web addresses and their notifications.
    void DetectLinks();
    // Puts the text after the end in the piece's format; message text also
    // brings the end into view.
    void Append(const std::string& text, Piece piece);
    // Puts a whole RTF document after the end, in one go, and brings the end
    // into view.
    void AppendRichText(const std::string& rtf);
    void Clear();
    // The text of a character range.
    std::string TextRange(CHARRANGE range);
    // A press went to a link: the selection is to stay as it was.
    void OnLinkPressed() { m_bLinkPressed = true; }

private:
    LRESULT OnCreate(WPARAM wParam, LPARAM lParam);
    BOOL OnLeftButtonDown(WPARAM wParam, LPARAM lParam, LRESULT* pResult);
    BOOL OnRightButtonDown(WPARAM wParam, LPARAM lParam, LRESULT* pResult);
    void OnCopy();

    bool m_bLinkPressed = false;

    DECLARE_MESSAGE_MAP()
};
