// A push button drawn from three bitmaps: up, down and focused.
#pragma once

#include "Wnd.h"

#include <stdexcept>

// Thrown when a resource the program cannot work without is missing.
class CResourceException : public std::runtime_error {
public:
    explicit CResourceException(UINT nID);
};

class CBitmapButton : public CWnd {
public:
    CBitmapButton() = default;
    ~CBitmapButton() override;

    // Throws CResourceException when a bitmap is missing.
    void LoadBitmaps(UINT nIDUp, UINT nIDDown, UINT nIDFocus);
    // Takes over a button of a dialog and makes it owner-drawn.
    BOOL SubclassDlgItem(int nID, CWnd* pParent);
    // Resizes the button to its bitmap.
    void SizeToContent();

    BOOL OnChildNotify(UINT message, WPARAM wParam, LPARAM lParam, LRESULT* pResult) override;

private:
    HBITMAP m_hUp = nullptr;
    HBITMAP m_hDown = nullptr;
    HBITMAP m_hFocus = nullptr;
};
