// The update of a global book from an LDAP directory and from a CardDAV collection, each
// beside its floor: a bare program doing the same search (wldap32, pages of 500, every
// entry's names and mail values read) or the same REPORT (WinHTTP, the answer read whole)
// in the same run. The update is timed in the address book window from the command to its
// summary, the book filled and shown; the longest pause of the window's message loop in
// that time says how responsive it stayed.
//   bench_remote <ports.env> <repeats>   prints "row <name> <ms> <floor ms> <longest pause ms>"
#include <windows.h>
#include <winhttp.h>
#include <winldap.h>
#include <winber.h>
#include <algorithm>
#include <cstdio>
#include <fstream>
#include <map>
#include <string>
#include <vector>
#include "bench/BenchApp.h"
#include "resources/resource.h"
#include "books/IniPath.h"
#include "window/AddrDlg.h"

namespace {

std::map<std::string, int> ReadPorts(const char* path)
{
    std::map<std::string, int> ports;
    std::ifstream file(path);
    std::string line;
    while (std::getline(file, line)) {
        size_t equals = line.find('=');
        if (equals != std::string::npos)
            ports[line.substr(0, equals)] = std::atoi(line.c_str() + equals + 1);
    }
    return ports;
}

double Now()
{
    LARGE_INTEGER counter, frequency;
    QueryPerformanceCounter(&counter);
    QueryPerformanceFrequency(&frequency);
    return 1000.0 * static_cast<double>(counter.QuadPart) / static_cast<double>(frequency.QuadPart);
}

// The bare search: what the update asks of wldap32, and nothing else.
size_t BareSearch(int port)
{
    LDAP* ld = ldap_sslinitW(const_cast<PWCHAR>(L"127.0.0.1"), static_cast<ULONG>(port), 0);
    ULONG version = LDAP_VERSION3;
    ldap_set_optionW(ld, LDAP_OPT_PROTOCOL_VERSION, &version);
    PWCHAR attributes[] = {const_cast<PWCHAR>(L"displayName"), const_cast<PWCHAR>(L"cn"), const_cast<PWCHAR>(L"mail"),
                           nullptr};
    size_t values = 0;
    berval* cookie = nullptr;
    do {
        PLDAPControlW page = nullptr;
        ldap_create_page_controlW(ld, 500, cookie, FALSE, &page);
        PLDAPControlW controls[] = {page, nullptr};
        ULONG id = 0;
        ldap_search_extW(ld, const_cast<PWCHAR>(L"dc=velmora,dc=test"), LDAP_SCOPE_SUBTREE, const_cast<PWCHAR>(L"(mail=*)"),
                         attributes, 0, controls, nullptr, 0, 0, &id);
        ldap_control_freeW(page);
        if (cookie)
            ber_bvfree(cookie);
        cookie = nullptr;
        for (;;) {
            LDAPMessage* message = nullptr;
            ULONG type = ldap_result(ld, id, LDAP_MSG_ONE, nullptr, &message);
            if (type == LDAP_RES_SEARCH_ENTRY) {
                for (PWCHAR* attribute = attributes; *attribute; ++attribute) {
                    if (PWCHAR* found = ldap_get_valuesW(ld, message, *attribute)) {
                        values += ldap_count_valuesW(found);
                        ldap_value_freeW(found);
                    }
                }
            } else if (type == LDAP_RES_SEARCH_RESULT) {
                PLDAPControlW* answered = nullptr;
                ULONG code = 0;
                ldap_parse_resultW(ld, message, &code, nullptr, nullptr, nullptr, &answered, FALSE);
                ULONG estimate = 0;
                if (answered) {
                    ldap_parse_page_controlW(ld, answered, &estimate, &cookie);
                    ldap_controls_freeW(answered);
                }
                ldap_msgfree(message);
                break;
            } else if (type == 0 || type == static_cast<ULONG>(-1)) {
                ldap_msgfree(message);
                ldap_unbind(ld);
                return values;
            }
            ldap_msgfree(message);
        }
    } while (cookie && cookie->bv_len);
    if (cookie)
        ber_bvfree(cookie);
    ldap_unbind(ld);
    return values;
}

// The bare REPORT: the update's address book query through WinHTTP, the answer read whole.
size_t BareReport(int port)
{
    const char query[] = "<?xml version=\"1.0\" encoding=\"utf-8\"?><C:addressbook-query xmlns:D=\"DAV:\" "
                         "xmlns:C=\"urn:ietf:params:xml:ns:carddav\"><D:prop><D:getetag/><C:address-data/></D:prop>"
                         "</C:addressbook-query>";
    HINTERNET session = WinHttpOpen(L"Velmora", WINHTTP_ACCESS_TYPE_DEFAULT_PROXY, nullptr, nullptr, 0);
    HINTERNET connection = WinHttpConnect(session, L"127.0.0.1", static_cast<INTERNET_PORT>(port), 0);
    HINTERNET request = WinHttpOpenRequest(connection, L"REPORT", L"/shared/office/", nullptr, WINHTTP_NO_REFERER,
                                           WINHTTP_DEFAULT_ACCEPT_TYPES, 0);
    size_t bytes = 0;
    DWORD length = sizeof query - 1;
    if (WinHttpSendRequest(request, L"Content-Type: application/xml; charset=utf-8\r\nDepth: 1\r\n",
                           static_cast<DWORD>(-1L), const_cast<char*>(query), length, length, 0) &&
        WinHttpReceiveResponse(request, nullptr)) {
        std::string body;
        std::vector<char> chunk(65536);
        DWORD read = 0;
        while (WinHttpReadData(request, chunk.data(), static_cast<DWORD>(chunk.size()), &read) && read)
            body.append(chunk.data(), read);
        bytes = body.size();
    }
    WinHttpCloseHandle(request);
    WinHttpCloseHandle(connection);
    WinHttpCloseHandle(session);
    return bytes;
}

// The update in the window: the command posted at the first tick, the summary answered.
struct WindowRun {
    HWND window = nullptr;
    double start = 0;
    double end = 0;
    double lastTick = 0;
    double longestPause = 0;
    bool posted = false;
    static WindowRun* s_pCurrent;

    static BOOL CALLBACK FindWindow(HWND window, LPARAM found)
    {
        char caption[128] = "";
        GetWindowTextA(window, caption, sizeof caption);
        if (IsWindowVisible(window) && std::string(caption).rfind("アドレス帳", 0) == 0)
            *reinterpret_cast<HWND*>(found) = window;
        return TRUE;
    }
    static BOOL CALLBACK FindBox(HWND window, LPARAM found)
    {
        if (IsWindowVisible(window) && GetDlgItem(window, 0xFFFF) && window != s_pCurrent->window)
            *reinterpret_cast<HWND*>(found) = window;
        return TRUE;
    }
    static void CALLBACK OnTimer(HWND, UINT, UINT_PTR, DWORD)
    {
        WindowRun& run = *s_pCurrent;
        double now = Now();
        if (run.posted && !run.end)
            run.longestPause = std::max(run.longestPause, now - run.lastTick);
        run.lastTick = now;
        if (!run.window) {
            EnumThreadWindows(GetCurrentThreadId(), FindWindow, reinterpret_cast<LPARAM>(&run.window));
            return;
        }
        if (!run.posted) {
            run.posted = true;
            run.start = Now();
            PostMessageA(run.window, WM_COMMAND, ID_BOOK_UPDATE, 0);
            return;
        }
        HWND box = nullptr;
        EnumThreadWindows(GetCurrentThreadId(), FindBox, reinterpret_cast<LPARAM>(&box));
        if (box && !run.end) {
            run.end = now;
            PostMessageA(box, WM_COMMAND, MAKEWPARAM(IDOK, BN_CLICKED), 0);
            PostMessageA(run.window, WM_CLOSE, 0, 0);
        }
    }
};
WindowRun* WindowRun::s_pCurrent = nullptr;

WindowRun UpdateInWindow(const std::string& url)
{
    CAddrBook store;
    store.AddData(ADT_GLOBAL_BOOK, "共有", url.c_str(), nullptr, 0);
    WindowRun run;
    WindowRun::s_pCurrent = &run;
    UINT_PTR timer = SetTimer(nullptr, 0, 5, WindowRun::OnTimer);
    CAddrDlg window(nullptr, store);
    window.DoModal();
    KillTimer(nullptr, timer);
    WindowRun::s_pCurrent = nullptr;
    return run;
}

double Median(std::vector<double> values)
{
    std::sort(values.begin(), values.end());
    return values[values.size() / 2];
}

}  // namespace

int main(int argc, char** argv)
{
    if (argc < 3)
        return 2;
    std::map<std::string, int> ports = ReadPorts(argv[1]);
    int repeats = std::max(1, std::atoi(argv[2]));
    char folder[MAX_PATH];
    GetTempPathA(sizeof folder, folder);
    std::snprintf(g_szIniPath, sizeof g_szIniPath, "%svelmora-bench-remote.ini", folder);
    INITCOMMONCONTROLSEX controls = {sizeof controls, ICC_TREEVIEW_CLASSES | ICC_LISTVIEW_CLASSES | ICC_BAR_CLASSES};
    InitCommonControlsEx(&controls);

    struct Case {
        const char* name;
        std::string url;
        size_t (*floor)(int);
        int port;
    } cases[] = {
        {"directory", "ldap://127.0.0.1:" + std::to_string(ports["LDAP_PORT"]) + "/dc=velmora,dc=test", BareSearch,
         ports["LDAP_PORT"]},
        {"carddav", "http://127.0.0.1:" + std::to_string(ports["DAV_PORT"]) + "/shared/office/", BareReport,
         ports["DAV_PORT"]},
    };
    for (const Case& c : cases) {
        std::vector<double> actions, floors, pauses;
        for (int i = 0; i < repeats; ++i) {
            double start = Now();
            c.floor(c.port);
            floors.push_back(Now() - start);
            WindowRun run = UpdateInWindow(c.url);
            actions.push_back(run.end - run.start);
            pauses.push_back(run.longestPause);
        }
        std::printf("row\t%s\t%.1f\t%.1f\t%.1f\n", c.name, Median(actions), Median(floors), Median(pauses));
    }
    DeleteFileA(g_szIniPath);
    return 0;
}
