#include "remote/FetchedBook.h"
#include "exchange/ImportFormat.h"
#include "remote/FetchText.h"

bool ContentsFromBytes(const std::string& bytes, FetchedBook& out)
{
    ImportFormat format = DetectImportFormat(bytes);
    if (format == ImportFormat::AlMail) {
        out.bAddressFile = true;
        out.addressFile = bytes;
        return true;
    }
    out.contacts = ReadContacts(bytes, format);
    if (out.contacts.bUnknownHeader) {
        out.status = FetchStatus::Failure(FetchText::UnknownCsv());
        return false;
    }
    return true;
}
