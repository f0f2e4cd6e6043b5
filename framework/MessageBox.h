// Message boxes. Every box of the program goes through here, so that a test can
// script the answers instead of blocking on a modal loop.
#pragma once

#include <windows.h>

#include <deque>
#include <string>
#include <vector>

// Shows a box captioned with the application title.
int AfxMessageBox(const std::string& text, UINT type = MB_OK);
// The same with a text of the string table.
int AfxMessageBox(UINT nIDPrompt, UINT type = MB_OK);
// Shows a box with its own caption, owned by a window. A box with only an OK
// button whose text is open already (timers and answers go on while a box is
// open, and may come to the same cause again) is not shown twice: the call
// returns IDOK at once.
int MessageBoxFor(HWND owner, const std::string& text, const std::string& caption, UINT type);

namespace fw {

struct ShownMessageBox {
    std::string text;
    std::string caption;
    UINT type;
};

// While scripted, no box is shown: each is recorded and answered with the next
// scripted answer, or with its default button when none is left.
class MessageBoxScript {
public:
    MessageBoxScript();
    ~MessageBoxScript();
    MessageBoxScript(const MessageBoxScript&) = delete;
    MessageBoxScript& operator=(const MessageBoxScript&) = delete;

    void Answer(int id) { m_answers.push_back(id); }
    const std::vector<ShownMessageBox>& Shown() const { return m_shown; }

private:
    friend int ::MessageBoxFor(HWND, const std::string&, const std::string&, UINT);
    int Take(const ShownMessageBox& box);

    std::deque<int> m_answers;
    std::vector<ShownMessageBox> m_shown;
};

} // namespace fw
