// The command-line options of edmax.exe, for tests and screenshots:
//   /open=N          raise the address-book event (1503) with sub-code N (0-4) shortly after start
//   /quit-after=MS   close everything (the plug-in's dialogs first) MS milliseconds after start
//   /to=  /cc=  /bcc=  /replyto=   preset a header; entries separated by "," (shown as ", ")
//   /subject=        preset the subject
//   /body=           preset the body; "\n" in it starts a new line
// Options may also start with "-". Values are in the ANSI code page (Shift-JIS).
#pragma once
#include <string>

class CHostOptions {
public:
    static constexpr int kNoOpen = -1;

    int m_nOpenMode = kNoOpen;
    unsigned m_nQuitAfterMs = 0;  // 0: stay open
    std::string m_sTo, m_sCc, m_sBcc, m_sReplyTo, m_sSubject, m_sBody;
    bool m_bHelp = false;

    // Reads argv[1..argc-1]; false with a message in *pError for an unknown or bad option.
    // The message is ASCII: it goes to stderr, which a Unix terminal under Wine shows as UTF-8.
    bool Parse(int argc, char** argv, std::string* pError);

    // The usage text (Shift-JIS), for /? and errors.
    static const char* Usage();
};
