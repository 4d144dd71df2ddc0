// A scene of the plug-in's windows set up for a screenshot (edmax.exe /scene=NAME
// /ready=FILE, used by scripts/run --screenshots). The host's timer calls Step() inside the
// plug-in's modal loops; the scene drives the address book window with the messages a
// user's clicks would send, writes the screen rectangle of the plug-in's windows to FILE
// ("WxH+X+Y", as ImageMagick crops) and waits until FILE is removed, the picture taken.
// Then the host closes everything.
#pragma once
#include <windows.h>
#include <functional>
#include <string>
#include <vector>

class CScreenScene {
public:
    // name is one of CHostOptions::kSceneNames.
    CScreenScene(const std::string& name, const std::string& readyFile);

    // One tick, with the plug-in's visible top-level windows (its window, dialogs and
    // menus). True once the scene has been photographed and tidied away.
    bool Step(const std::vector<HWND>& pluginWindows);

private:
    struct Stage {
        HWND book;  // the address book window
        const std::vector<HWND>& windows;
    };
    using Action = std::function<bool(const Stage&)>;  // true: done, on to the next

    void AddSceneSteps(const std::string& name);
    void AddReadySteps();
    bool WriteReadyFile(const std::vector<HWND>& windows) const;

    std::string m_sReadyFile;
    std::vector<Action> m_steps;
    size_t m_nStep = 0;
};
