// The command-line options of edmax.exe, for tests and screenshots:
//   /open=N          raise the address-book event (1503) with sub-code N (0-4) shortly after start
//   /quit-after=MS   close everything (the plug-in's dialogs first) MS milliseconds after start
//   /to=  /cc=  /bcc=  /replyto=   preset a header; entries separated by "," (shown as ", ")
//   /subject=        preset the subject
//   /body=           preset the body; "\n" in it starts a new line
//   /scene=NAME /ready=FILE   set a scene of the plug-in's windows for a screenshot and
//                    report it in FILE (see ScreenScene.h); both or neither
// Options may also start with "-". Values are in the ANSI code page (Shift-JIS).
#pragma once
#include <string>

class CHostOptions {
public:
    static constexpr int kNoOpen = -1;
    // The scenes of /scene=, separated by blanks.
    static constexpr const char* kSceneNames = "pick browse address folder book menu drag find directory complete";

    int m_nOpenMode = kNoOpen;
    unsigned m_nQuitAfterMs = 0;  // 0: stay open
    std::string m_sTo, m_sCc, m_sBcc, m_sReplyTo, m_sSubject, m_sBody;
    std::string m_sScene, m_sReadyFile;  // empty: no scene
    bool m_bHelp = false;

    // Reads argv[1..argc-1]; false with a message in *pError for an unknown or bad option.
    // The message is ASCII: it goes to stderr, which a Unix terminal under Wine shows as UTF-8.
    bool Parse(int argc, char** argv, std::string* pError);

    // The usage text (Shift-JIS), for /? and errors.
    static const char* Usage();
};
