// Finds the message boxes that code under test opens on this thread, records what each
// one said, and answers it. Works inside any modal loop, the loader's included, because it
// runs from a thread timer.
#pragma once
#include <windows.h>
#include <functional>
#include <string>
#include <vector>

struct SeenBox {
    std::string caption;
    std::string text;
    HWND owner = nullptr;
    std::string icon;     // "error", "warning", "information", "question" or "" for none
    std::string buttons;  // the buttons present, e.g. "OK" or "Yes,No"
};

class CBoxWatcher {
public:
    // Answers every box with answer (IDOK, IDYES, IDNO ...) while it lives.
    explicit CBoxWatcher(int answer = IDOK);
    ~CBoxWatcher();
    CBoxWatcher(const CBoxWatcher&) = delete;
    CBoxWatcher& operator=(const CBoxWatcher&) = delete;

    std::vector<SeenBox> boxes;
    int answer;
    // Called with each box as it is found, before it is answered (to look at the world then).
    std::function<void(const SeenBox&)> onBox;

    // Looks at the thread's windows now (the timer does it every few milliseconds).
    void Poll();

    static SeenBox Describe(HWND box);
    static bool IsMessageBox(HWND window);

private:
    UINT_PTR m_timer;
    static CBoxWatcher* s_pCurrent;
    static void CALLBACK OnTimer(HWND, UINT, UINT_PTR, DWORD);
};
