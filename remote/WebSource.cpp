#include <winsock2.h>
#include "remote/WebSource.h"
#include <vector>
#include "exchange/ImportFormat.h"
#include "remote/DavXml.h"
#include "remote/FetchText.h"
#include "remote/NetworkApi.h"
#include "remote/WebClient.h"
#include "remote/WideText.h"

namespace {

const char kResourceTypeQuery[] =
    "<?xml version=\"1.0\" encoding=\"utf-8\"?>"
    "<D:propfind xmlns:D=\"DAV:\"><D:prop><D:resourcetype/></D:prop></D:propfind>";

const char kAddressBookQuery[] =
    "<?xml version=\"1.0\" encoding=\"utf-8\"?>"
    "<C:addressbook-query xmlns:D=\"DAV:\" xmlns:C=\"urn:ietf:params:xml:ns:carddav\">"
    "<D:prop><D:getetag/><C:address-data/></D:prop></C:addressbook-query>";

const wchar_t kXmlHeaders[] = L"Content-Type: application/xml; charset=utf-8\r\n";

std::string SourceOf(const WebAnswer& answer)
{
    return Utf8ToSjis(answer.url.Origin() + answer.url.path);
}

// A DAV answer that did not read as a multistatus: what it is instead.
FetchStatus NotDavAnswer(const WebAnswer& answer, DavXml::Outcome outcome)
{
    if (outcome == DavXml::Outcome::Cancelled)
        return FetchStatus::Cancel();
    if (outcome == DavXml::Outcome::Malformed && !FetchText::LooksLikeHtml(answer.body))
        return FetchStatus::Failure(FetchText::Malformed(Utf8ToSjis(answer.url.HostPort())));
    return FetchStatus::Failure(FetchText::NotABook(SourceOf(answer), answer.body));
}

FetchStatus ServerStatus(const WebAnswer& answer)
{
    return FetchStatus::Failure(FetchText::HttpStatus(Utf8ToSjis(answer.url.HostPort()), answer.status));
}

// Every card of an address book collection, with one query.
void ReadCollection(CWebClient& client, const BookUrl& url, IFetchHost& host, FetchedBook& out)
{
    WebAnswer answer;
    out.status = client.Exchange(url, L"REPORT", std::wstring(kXmlHeaders) + L"Depth: 1\r\n", kAddressBookQuery,
                                 answer);
    if (!out.status.IsOk())
        return;
    if (answer.status != 207) {
        out.status = ServerStatus(answer);
        return;
    }
    std::vector<std::string> cards;
    DavXml::Outcome read = DavXml::ReadAddressData(answer.body, cards, [&host]() { return host.IsCancelled(); });
    if (read != DavXml::Outcome::Read) {
        out.status = NotDavAnswer(answer, read);
        return;
    }
    answer.body.clear();
    std::string joined;
    for (const std::string& card : cards)
        joined += card + "\r\n";
    ReadFetchedContacts(joined, ImportFormat::VCard, host, out);
    if (!out.status.IsOk())
        return;
    host.ReportProgress(out.contacts.contacts.size(), joined.size());
}

void ReadFile(CWebClient& client, const BookUrl& url, IFetchHost& host, FetchedBook& out)
{
    WebAnswer answer;
    out.status = client.Exchange(url, L"GET", L"", std::string(), answer);
    if (!out.status.IsOk())
        return;
    if (answer.status != 200) {
        out.status = ServerStatus(answer);
        return;
    }
    if (ContentsFromBytes(answer.body, answer.url.path, SourceOf(answer), host, out))
        host.ReportProgress(out.contacts.contacts.size(), answer.body.size());
}

}  // namespace

void FetchWeb(const BookUrl& url, const std::string& bookName, IFetchHost& host, FetchedBook& out)
{
    out.status = NetworkApi::Require();
    if (!out.status.IsOk())
        return;
    CWebClient client(host, bookName);
    WebAnswer answer;
    out.status = client.Exchange(url, L"PROPFIND", std::wstring(kXmlHeaders) + L"Depth: 0\r\n", kResourceTypeQuery,
                                 answer);
    if (!out.status.IsOk())
        return;
    if (answer.status == 404) {
        out.status = ServerStatus(answer);
        return;
    }
    if (answer.status != 207) {
        // No WebDAV here (or not for this resource): the URL names a file.
        ReadFile(client, answer.url, host, out);
        return;
    }
    bool collection = false;
    bool addressBook = false;
    DavXml::Outcome read =
        DavXml::ReadResourceType(answer.body, collection, addressBook, [&host]() { return host.IsCancelled(); });
    if (read != DavXml::Outcome::Read) {
        out.status = NotDavAnswer(answer, read);
        return;
    }
    if (addressBook)
        ReadCollection(client, answer.url, host, out);
    else if (collection)
        out.status = FetchStatus::Failure(FetchText::NotAddressBook(Utf8ToSjis(answer.url.Origin() + answer.url.path)));
    else
        ReadFile(client, answer.url, host, out);
}
