#include "remote/FetchedBook.h"
#include "exchange/ImportFormat.h"
#include "remote/FetchText.h"

namespace {

bool IsAddressFileName(const std::string& path)
{
    std::string name = path.substr(0, path.find('?'));
    if (name.size() < 4)
        return false;
    std::string extension = name.substr(name.size() - 4);
    for (char& c : extension) {
        if (c >= 'A' && c <= 'Z')
            c = static_cast<char>(c - 'A' + 'a');
    }
    return extension == ".adr";
}

// Keeps every contact, and stops the reader when the user cancels.
class CCancellableCollector : public IContactSink {
public:
    CCancellableCollector(ContactList& list, IFetchHost& host) : m_Collector(list), m_Host(host) {}
    bool OnContact(const Contact& contact) override
    {
        if (++m_nSeen % 256 == 0 && m_Host.IsCancelled()) {
            m_bCancelled = true;
            return false;
        }
        return m_Collector.OnContact(contact);
    }
    bool Cancelled() const { return m_bCancelled; }

private:
    CContactCollector m_Collector;
    IFetchHost& m_Host;
    size_t m_nSeen = 0;
    bool m_bCancelled = false;
};

}  // namespace

void ReadFetchedContacts(const std::string& bytes, ImportFormat format, IFetchHost& host, FetchedBook& out)
{
    ContactList read;
    CCancellableCollector collector(read, host);
    ContactList counts = ReadContacts(bytes, format, collector);
    if (collector.Cancelled()) {
        out.status = FetchStatus::Cancel();
        return;
    }
    counts.contacts = std::move(read.contacts);
    out.contacts = std::move(counts);
}

bool ContentsFromBytes(const std::string& bytes, const std::string& path, const std::string& source, IFetchHost& host,
                       FetchedBook& out)
{
    ImportFormat format = FetchText::LooksLikeHtml(bytes) ? ImportFormat::Unknown : DetectImportFormat(bytes);
    if (format == ImportFormat::AlMail || (format == ImportFormat::Empty && IsAddressFileName(path))) {
        out.bAddressFile = true;
        out.addressFile = bytes;
        return true;
    }
    if (format == ImportFormat::Empty || format == ImportFormat::Unknown) {
        out.status = FetchStatus::Failure(FetchText::NotABook(source, bytes));
        return false;
    }
    ReadFetchedContacts(bytes, format, host, out);
    if (!out.status.IsOk())
        return false;
    if (out.contacts.bUnknownHeader) {
        out.status = FetchStatus::Failure(FetchText::UnknownCsv());
        return false;
    }
    return true;
}
