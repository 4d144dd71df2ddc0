#include <winsock2.h>
#include "remote/WebClient.h"
#include <vector>
#include "remote/FetchText.h"
#include "remote/ServerCheck.h"
#include "remote/SystemProxy.h"
#include "remote/WideText.h"
#include "remote/NetworkApi.h"

namespace {

class CInternetHandle {
public:
    CInternetHandle() = default;
    ~CInternetHandle()
    {
        if (m_h)
            NetworkApi::WinHttp().WinHttpCloseHandle(m_h);
    }
    CInternetHandle(const CInternetHandle&) = delete;
    CInternetHandle& operator=(const CInternetHandle&) = delete;
    HINTERNET m_h = nullptr;
};

std::string Header(HINTERNET request, DWORD query)
{
    DWORD size = 0;
    NetworkApi::WinHttp().WinHttpQueryHeaders(request, query, WINHTTP_HEADER_NAME_BY_INDEX, nullptr, &size, WINHTTP_NO_HEADER_INDEX);
    if (GetLastError() != ERROR_INSUFFICIENT_BUFFER || size == 0)
        return std::string();
    std::vector<wchar_t> text(size / sizeof(wchar_t) + 1, L'\0');
    if (!NetworkApi::WinHttp().WinHttpQueryHeaders(request, query, WINHTTP_HEADER_NAME_BY_INDEX, text.data(), &size, WINHTTP_NO_HEADER_INDEX))
        return std::string();
    return WideToUtf8(text.data(), wcslen(text.data()));
}

// Where a Location header points, seen from the URL that answered.
bool ResolveLocation(const BookUrl& from, const std::string& location, BookUrl& to)
{
    std::string absolute = location;
    if (location.compare(0, 2, "//") == 0) {
        absolute = std::string(from.scheme == BookScheme::Https ? "https:" : "http:") + location;
    } else if (!location.empty() && location[0] == '/') {
        absolute = from.Origin() + location;
    } else if (location.find("://") == std::string::npos) {
        std::string folder = from.path.substr(0, from.path.find('?'));
        absolute = from.Origin() + folder.substr(0, folder.rfind('/') + 1) + location;
    }
    to = ParseBookUrl(absolute);
    return to.IsWeb();
}

// The strongest scheme the server offers that WinHTTP can answer with a name and password.
DWORD ChooseScheme(DWORD supported)
{
    for (DWORD scheme : {WINHTTP_AUTH_SCHEME_NEGOTIATE, WINHTTP_AUTH_SCHEME_NTLM, WINHTTP_AUTH_SCHEME_DIGEST,
                         WINHTTP_AUTH_SCHEME_BASIC}) {
        if (supported & scheme)
            return scheme;
    }
    return 0;
}

// The Host header of a request to url: the server's own name, also when WinHTTP connects
// to the relay.
std::wstring HostHeader(const BookUrl& url)
{
    std::string name = url.port == 443 ? (url.host.find(':') != std::string::npos ? "[" + url.host + "]" : url.host)
                                       : url.HostPort();
    return Utf8ToWide("Host: " + name);
}

}  // namespace

CWebClient::CWebClient(IFetchHost& host, const std::string& bookName) : m_Host(host), m_strBook(bookName), m_Pace(host)
{
}

CWebClient::~CWebClient()
{
    for (auto& entry : m_Origins) {
        if (entry.second.hSession)
            NetworkApi::WinHttp().WinHttpCloseHandle(entry.second.hSession);
    }
}

FetchStatus CWebClient::ErrorOf(const BookUrl& url, DWORD error)
{
    std::string server = Utf8ToSjis(url.HostPort());
    if (m_Host.IsCancelled() || error == ERROR_WINHTTP_OPERATION_CANCELLED)
        return FetchStatus::Cancel();
    // The relay closed WinHTTP's connection because the server could not be reached or its
    // certificate failed: that, not what WinHTTP makes of it, is the reason.
    auto origin = m_Origins.find(url.Origin());
    FetchStatus refused;
    if (origin != m_Origins.end() && origin->second.relay && origin->second.relay->Refused(refused))
        return refused;
    switch (error) {
    case ERROR_WINHTTP_TIMEOUT:
    case WSAETIMEDOUT:  // what Wine's WinHTTP reports for a silent server
        return FetchStatus::Failure(FetchText::AnswerTimeout(server, g_FetchLimits.answerMs));
    case ERROR_WINHTTP_NAME_NOT_RESOLVED:
        return FetchStatus::Failure(FetchText::UnknownHost(server));
    case ERROR_WINHTTP_CANNOT_CONNECT:
    case WSAECONNREFUSED:
        return FetchStatus::Failure(FetchText::Refused(server));
    case ERROR_WINHTTP_INVALID_SERVER_RESPONSE:
    case ERROR_WINHTTP_HEADER_NOT_FOUND:
        return FetchStatus::Failure(FetchText::Malformed(server));
    default:
        break;
    }
    return FetchStatus::Failure(FetchText::ConnectionLost(server));
}

CWebClient::Origin* CWebClient::OriginOf(const BookUrl& url, FetchStatus& status)
{
    Origin& origin = m_Origins[url.Origin()];
    // An https server behind the system's proxy is reached only by the proxy: the relay's
    // connection to the proxy tells what went wrong.
    ProxyServer proxy;
    if (url.IsSecure() && !origin.relay)
        proxy = ChooseHttpsProxy(DefaultProxySetting(), url.host);
    if (!origin.bProbed && !proxy.IsNamed()) {
        // Tells a refused connection, an unknown host and a connect timeout apart.
        status = ProbeServer(url, m_Host);
        if (!status.IsOk())
            return nullptr;
    }
    origin.bProbed = true;
    if (url.IsSecure() && !origin.relay) {
        origin.relay.reset(new CWebRelay(url, proxy));
        if (!origin.relay->Start(origin.nRelayPort)) {
            origin.relay.reset();
            status = FetchStatus::Failure(FetchText::SecureFailed(Utf8ToSjis(url.HostPort())));
            return nullptr;
        }
    }
    if (!origin.hSession) {
        // The system's proxy, but never for this machine's own addresses, which no proxy
        // reaches, nor for the relay, which makes its own connections.
        bool loopback = url.host == "localhost" || url.host.compare(0, 4, "127.") == 0 || url.host == "::1" ||
                        origin.relay;
        origin.hSession = NetworkApi::WinHttp().WinHttpOpen(L"Velmora", loopback ? WINHTTP_ACCESS_TYPE_NO_PROXY : WINHTTP_ACCESS_TYPE_DEFAULT_PROXY,
                                      WINHTTP_NO_PROXY_NAME, WINHTTP_NO_PROXY_BYPASS, WINHTTP_FLAG_ASYNC);
        if (!origin.hSession) {
            status = ErrorOf(url, GetLastError());
            return nullptr;
        }
        int connect = static_cast<int>(g_FetchLimits.connectMs);
        int answer = static_cast<int>(g_FetchLimits.answerMs);
        NetworkApi::WinHttp().WinHttpSetTimeouts(origin.hSession, connect, connect, answer, answer);
        // The wait for an answer's headers has a limit of its own.
        DWORD headers = g_FetchLimits.answerMs;
        NetworkApi::WinHttp().WinHttpSetOption(origin.hSession, WINHTTP_OPTION_RECEIVE_RESPONSE_TIMEOUT, &headers, sizeof headers);
        origin.login.reset(new CLogin(m_Host, url, m_strBook));
    }
    status = FetchStatus::Success();
    return &origin;
}

// Sends the request and waits for its answer's headers: 0, or the error; a server silent
// past the limit comes back as ERROR_WINHTTP_TIMEOUT, however Wine's WinHTTP words it, and a
// cancel as ERROR_WINHTTP_OPERATION_CANCELLED within a fraction of a second.
DWORD CWebClient::SendOnce(Origin& origin, const std::wstring& headers, const std::string& body, CWebRequest& request)
{
    const WinHttpApi& http = NetworkApi::WinHttp();
    if (!headers.empty() && !http.WinHttpAddRequestHeaders(request.Handle(), headers.c_str(), static_cast<DWORD>(-1L),
                                                          WINHTTP_ADDREQ_FLAG_ADD_IF_NEW))
        return GetLastError();
    if (!origin.login->IsAnonymous() && origin.nScheme) {
        const Credentials& who = origin.login->Current();
        if (!http.WinHttpSetCredentials(request.Handle(), WINHTTP_AUTH_TARGET_SERVER, origin.nScheme, who.user.c_str(),
                                        who.password.c_str(), nullptr))
            return GetLastError();
    }
    DWORD start = GetTickCount();
    IFetchHost& host = m_Host;
    DWORD error = request.Send(body, g_FetchLimits.answerMs, [&host]() {
        return host.IsCancelled() ? FetchStatus::Cancel() : FetchStatus::Success();
    });
    if (error && error != ERROR_WINHTTP_OPERATION_CANCELLED && GetTickCount() - start >= g_FetchLimits.answerMs)
        return ERROR_WINHTTP_TIMEOUT;
    return error;
}

// Reads what has come, never waiting for a full buffer, so that a slow server's every byte
// brings the pace and the cancel to a look; while nothing comes they are looked at too.
FetchStatus CWebClient::ReadBody(const BookUrl& url, CWebRequest& request, std::string& body)
{
    body.clear();
    std::string server = Utf8ToSjis(url.HostPort());
    CFetchPace& pace = m_Pace;
    for (;;) {
        FetchStatus status = m_Pace.Check(body.size(), server);
        if (!status.IsOk())
            return status;
        DWORD read = 0;
        DWORD error = request.Read(g_FetchLimits.answerMs,
                                   [&pace, &body, &server]() { return pace.Check(body.size(), server); }, read);
        if (error == ERROR_WINHTTP_OPERATION_CANCELLED && !request.Stopped().IsOk())
            return request.Stopped();
        if (error)
            return ErrorOf(url, error);
        if (read == 0)
            return FetchStatus::Success();
        if (body.size() + read > g_FetchLimits.maxBytes)
            return FetchStatus::Failure(FetchText::TooLarge(server, g_FetchLimits.maxBytes));
        body.append(request.Data(), read);
        m_Host.ReportProgress(0, body.size());
    }
}

FetchStatus CWebClient::Exchange(const BookUrl& start, const wchar_t* verb, const std::wstring& headers,
                                 const std::string& body, WebAnswer& answer)
{
    BookUrl url = start;
    for (int hop = 0;; ++hop) {
        FetchStatus status;
        Origin* origin = OriginOf(url, status);
        if (!origin)
            return status;
        bool resent = false;
        for (;;) {
            const WinHttpApi& http = NetworkApi::WinHttp();
            CInternetHandle connection;
            if (origin->relay)
                connection.m_h = http.WinHttpConnect(origin->hSession, L"127.0.0.1",
                                                     static_cast<INTERNET_PORT>(origin->nRelayPort), 0);
            else
                connection.m_h = http.WinHttpConnect(origin->hSession, Utf8ToWide(url.host).c_str(),
                                                     static_cast<INTERNET_PORT>(url.port), 0);
            HINTERNET opened = nullptr;
            if (connection.m_h)
                opened = http.WinHttpOpenRequest(connection.m_h, verb, Utf8ToWide(url.path).c_str(), nullptr,
                                                 WINHTTP_NO_REFERER, WINHTTP_DEFAULT_ACCEPT_TYPES, 0);
            if (!opened)
                return ErrorOf(url, GetLastError());
            CWebRequest request(opened);  // closed before its connection
            if (origin->relay && !http.WinHttpAddRequestHeaders(request.Handle(), HostHeader(url).c_str(),
                                                                 static_cast<DWORD>(-1L),
                                                                 WINHTTP_ADDREQ_FLAG_ADD | WINHTTP_ADDREQ_FLAG_REPLACE))
                return ErrorOf(url, GetLastError());
            DWORD noRedirects = WINHTTP_DISABLE_REDIRECTS;
            http.WinHttpSetOption(request.Handle(), WINHTTP_OPTION_DISABLE_FEATURE, &noRedirects, sizeof noRedirects);
            DWORD error = SendOnce(*origin, headers, body, request);
            // A kept-alive connection that the server has closed meanwhile fails at once;
            // the request (always one that may be repeated) goes again, once; never after the
            // relay refused the server.
            FetchStatus refused;
            if (error && origin->relay && origin->relay->Refused(refused))
                return refused;
            bool dropped = error == ERROR_WINHTTP_CONNECTION_ERROR || error == WSAECONNRESET ||
                           error == WSAECONNABORTED;
            if (dropped && !resent) {
                resent = true;
                continue;
            }
            if (error)
                return ErrorOf(url, error);
            DWORD code = 0;
            DWORD size = sizeof code;
            NetworkApi::WinHttp().WinHttpQueryHeaders(request.Handle(), WINHTTP_QUERY_STATUS_CODE | WINHTTP_QUERY_FLAG_NUMBER,
                                WINHTTP_HEADER_NAME_BY_INDEX, &code, &size, WINHTTP_NO_HEADER_INDEX);
            if (code == HTTP_STATUS_DENIED) {
                DWORD supported = 0, first = 0, target = 0;
                if (NetworkApi::WinHttp().WinHttpQueryAuthSchemes(request.Handle(), &supported, &first, &target))
                    origin->nScheme = ChooseScheme(supported);
                if (!origin->nScheme)
                    return FetchStatus::Failure(FetchText::HttpStatus(Utf8ToSjis(url.HostPort()), code));
                if (!origin->login->Refused(status))
                    return status;
                continue;
            }
            if (!origin->login->IsAnonymous())
                origin->login->Accepted();
            bool redirect = code == 301 || code == 302 || code == 303 || code == 307 || code == 308;
            std::string location = redirect ? Header(request.Handle(), WINHTTP_QUERY_LOCATION) : std::string();
            if (!location.empty()) {
                BookUrl next;
                if (!ResolveLocation(url, location, next))
                    return FetchStatus::Failure(FetchText::Malformed(Utf8ToSjis(url.HostPort())));
                if (url.scheme == BookScheme::Https && next.scheme == BookScheme::Http)
                    return FetchStatus::Failure(FetchText::InsecureRedirect(Utf8ToSjis(next.HostPort())));
                if (hop >= g_FetchLimits.maxRedirects)
                    return FetchStatus::Failure(FetchText::TooManyRedirects(Utf8ToSjis(url.HostPort())));
                url = next;
                break;
            }
            answer.status = code;
            answer.url = url;
            return ReadBody(url, request, answer.body);
        }
    }
}
