#include "edmax/HostOptions.h"

#include <cerrno>
#include <cstdlib>

namespace {

bool ParseNumber(const std::string& text, unsigned long maxValue, unsigned long* pValue)
{
    if (text.empty() || text.find_first_not_of("0123456789") != std::string::npos)
        return false;
    errno = 0;
    unsigned long value = std::strtoul(text.c_str(), nullptr, 10);
    if (errno != 0 || value > maxValue)
        return false;
    *pValue = value;
    return true;
}

bool IsSceneName(const std::string& name)
{
    std::string names = std::string(" ") + CHostOptions::kSceneNames + " ";
    return !name.empty() && name.find(' ') == std::string::npos &&
           names.find(" " + name + " ") != std::string::npos;
}

// The body option writes line breaks as the two characters \n.
std::string BodyFrom(const std::string& value)
{
    std::string body;
    for (size_t i = 0; i < value.size(); ++i) {
        if (value[i] == '\\' && i + 1 < value.size() && value[i + 1] == 'n') {
            body += "\r\n";
            ++i;
        } else {
            body += value[i];
        }
    }
    return body;
}

}  // namespace

bool CHostOptions::Parse(int argc, char** argv, std::string* pError)
{
    for (int i = 1; i < argc; ++i) {
        std::string arg = argv[i];
        if (arg.size() < 2 || (arg[0] != '/' && arg[0] != '-')) {
            *pError = "not an option: " + arg;
            return false;
        }
        size_t equals = arg.find('=');
        std::string name = arg.substr(1, equals == std::string::npos ? std::string::npos : equals - 1);
        std::string value = equals == std::string::npos ? std::string() : arg.substr(equals + 1);
        bool hasValue = equals != std::string::npos;
        unsigned long number = 0;

        if (name == "?" || name == "help") {
            m_bHelp = true;
        } else if (name == "open" && ParseNumber(value, 4, &number)) {
            m_nOpenMode = static_cast<int>(number);
        } else if (name == "quit-after" && ParseNumber(value, 24UL * 3600 * 1000, &number)) {
            m_nQuitAfterMs = static_cast<unsigned>(number);
        } else if (name == "to" && hasValue) {
            m_sTo = value;
        } else if (name == "cc" && hasValue) {
            m_sCc = value;
        } else if (name == "bcc" && hasValue) {
            m_sBcc = value;
        } else if (name == "replyto" && hasValue) {
            m_sReplyTo = value;
        } else if (name == "subject" && hasValue) {
            m_sSubject = value;
        } else if (name == "body" && hasValue) {
            m_sBody = BodyFrom(value);
        } else if (name == "scene" && IsSceneName(value)) {
            m_sScene = value;
        } else if (name == "ready" && !value.empty()) {
            m_sReadyFile = value;
        } else {
            *pError = "unknown option or bad value: " + arg + " (edmax.exe /? lists the options)";
            return false;
        }
    }
    if (m_sScene.empty() != m_sReadyFile.empty()) {
        *pError = "/scene= and /ready= go together";
        return false;
    }
    return true;
}

const char* CHostOptions::Usage()
{
    return "edmax.exe [オプション]\n"
           "  /open=N          起動後にアドレス帳を開く (0=参照 1=宛先 2=CC 3=BCC 4=ReplyTo)\n"
           "  /quit-after=MS   MS ミリ秒後に終了する\n"
           "  /to= /cc= /bcc= /replyto=   ヘッダーの初期値 (\",\" 区切り)\n"
           "  /subject=        件名の初期値\n"
           "  /body=           本文の初期値 (\\n で改行)\n"
           "  /scene=名前 /ready=ファイル   画面写真用の場面を作り、撮る範囲をファイルに書く\n"
           "                   (pick browse address folder book menu drag find)";
}
