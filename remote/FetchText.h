// The causes that a failed fetch names, in the user's words (Shift-JIS). The server is
// named as "host:port", a file by its path.
#pragma once
#include <string>

namespace FetchText {

std::string UnknownHost(const std::string& server);
std::string Refused(const std::string& server);
std::string ConnectTimeout(const std::string& server, unsigned ms);
std::string AnswerTimeout(const std::string& server, unsigned ms);
std::string ConnectionLost(const std::string& server);
std::string WrongPassword(const std::string& server);
std::string LoginCancelled(const std::string& server);
std::string Untrusted(const std::string& server, const std::string& reason);
std::string SecureFailed(const std::string& server);
// The proxy did not open the way to server; answer says what it did (its status line, or
// that it closed or said nothing), needsLogin that it asked for a proxy login.
std::string ProxyRefused(const std::string& proxy, const std::string& server, const std::string& answer,
                         bool needsLogin);
// cause, a failure to reach the proxy itself, told as such.
std::string ProxyUnreachable(const std::string& cause);
std::string ProxyClosed();
std::string ProxySilent(unsigned ms);
std::string ProxyNotHttp();
std::string Malformed(const std::string& server);
std::string TooLarge(const std::string& server, size_t bytes);
std::string TooLong(const std::string& server, unsigned ms);
std::string TooSlow(const std::string& server, size_t bytesPerSecond);
std::string EmptyPages(const std::string& server, int pages);
std::string TooManyEntries(const std::string& server, size_t entries);
std::string HttpStatus(const std::string& server, unsigned status);
std::string LdapError(const std::string& server, unsigned code);
std::string NoSuchBase(const std::string& base);
std::string BadFilter(const std::string& filter);
std::string SizeLimit(const std::string& server);
std::string Referral(const std::string& server);
// A system library (or one of its functions, when function is not empty) could not be loaded.
std::string LibraryMissing(const std::string& library, const std::string& function);
std::string NotAddressBook(const std::string& url);
std::string TooManyRedirects(const std::string& server);
std::string InsecureRedirect(const std::string& target);
std::string UnknownCsv();
// What came from source (a server or a file, as the user knows it) is no address book:
// the message says what it is instead (a web page, an empty answer, other XML, data of no
// known form).
std::string NotABook(const std::string& source, const std::string& bytes);
// True when bytes are, by their start, an HTML page.
bool LooksLikeHtml(const std::string& bytes);
std::string FileMissing(const std::string& path);
std::string ShareMissing(const std::string& path);
std::string FileDenied(const std::string& path);
std::string FileUnreadable(const std::string& path, unsigned long error);
std::string FileTooLarge(const std::string& path, size_t bytes);
std::string FileChanging(const std::string& path, int attempts);

}  // namespace FetchText
