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

}  // namespace

bool ContentsFromBytes(const std::string& bytes, const std::string& path, const std::string& source, FetchedBook& out)
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
    out.contacts = ReadContacts(bytes, format);
    if (out.contacts.bUnknownHeader) {
        out.status = FetchStatus::Failure(FetchText::UnknownCsv());
        return false;
    }
    return true;
}
