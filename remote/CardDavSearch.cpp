#include <winsock2.h>
#include "remote/CardDavSearch.h"
#include "exchange/ImportFormat.h"
#include "remote/DavXml.h"
#include "remote/FetchText.h"
#include "remote/NetworkApi.h"
#include "remote/SearchQuery.h"
#include "remote/WebClient.h"
#include "remote/WideText.h"

FetchStatus SearchCardDav(const BookUrl& url, const std::string& bookName, const std::string& typed, size_t limit,
                          IFetchHost& host, std::vector<Contact>& found)
{
    found.clear();
    FetchStatus loaded = NetworkApi::Require();
    if (!loaded.IsOk())
        return loaded;
    CWebClient client(host, bookName);
    WebAnswer answer;
    FetchStatus status =
        client.Exchange(url, L"REPORT", L"Content-Type: application/xml; charset=utf-8\r\nDepth: 1\r\n",
                        SearchQuery::CardDavQuery(typed, limit), answer);
    if (!status.IsOk())
        return status;
    if (answer.status != 207)
        return status;  // no address book here: nothing to suggest
    std::vector<std::string> cards;
    DavXml::Outcome read = DavXml::ReadAddressData(answer.body, cards, [&host]() { return host.IsCancelled(); });
    if (read == DavXml::Outcome::Cancelled)
        return FetchStatus::Cancel();
    if (read != DavXml::Outcome::Read)
        return FetchStatus::Failure(FetchText::Malformed(Utf8ToSjis(answer.url.HostPort())));
    std::string joined;
    for (const std::string& card : cards)
        joined += card + "\r\n";
    for (Contact& contact : ReadContacts(joined, ImportFormat::VCard).contacts) {
        if (found.size() < limit && !contact.isGroup)
            found.push_back(std::move(contact));
    }
    return status;
}
