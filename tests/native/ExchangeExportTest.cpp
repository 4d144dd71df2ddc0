#include <gtest/gtest.h>
#include <string>
#include "ImportHelper.h"
#include "exchange/BookContacts.h"
#include "exchange/CsvWriter.h"
#include "exchange/VCardWriter.h"

namespace {

struct ExchangeExportTest : ::testing::Test {
    CAddrBook store;
    ADTDATA* book = store.AddData(ADT_LOCAL_BOOK, "B", "b.adr", nullptr, 0);

    ADTDATA* Folder(const char* name, ADTDATA* parent)
    {
        return store.AddData(ADT_FOLDER, name, nullptr, parent, PLACE_CHILD);
    }
    void Address(const char* name, const char* addresses, ADTDATA* parent)
    {
        store.AddData(ADT_ADDR, name, addresses, parent, PLACE_CHILD);
    }
};

TEST_F(ExchangeExportTest, WritersUseTheFormsOtherProgramsRead)
{
    Address("山田 太郎", "a@example.jp,b@example.jp", Folder("友人", book));
    Address("電話だけ", "03-0000-0000", book);
    Address("Yamada, \"Taro\"", "c@example.jp", book);
    ContactList contacts = ContactsOfBook(book);
    EXPECT_EQ(2u, contacts.contacts.size());
    EXPECT_EQ(1, contacts.nWithoutAddress);

    EXPECT_EQ(u8"BEGIN:VCARD\r\nVERSION:3.0\r\nFN:山田 太郎\r\nN:山田 太郎;;;;\r\n"
              u8"EMAIL;TYPE=INTERNET:a@example.jp\r\nEMAIL;TYPE=INTERNET:b@example.jp\r\n"
              u8"CATEGORIES:友人\r\nEND:VCARD\r\n"
              u8"BEGIN:VCARD\r\nVERSION:3.0\r\nFN:Yamada\\, \"Taro\"\r\nN:Yamada\\, \"Taro\";;;;\r\n"
              u8"EMAIL;TYPE=INTERNET:c@example.jp\r\nEND:VCARD\r\n",
              CVCardWriter::Write(contacts));

    std::string csv = CCsvWriter::Write(contacts);
    std::string header =
        "\xEF\xBB\xBF" "First Name,Last Name,Display Name,Nickname,Primary Email,Secondary Email,Screen Name,"
        "Work Phone,Home Phone,Fax Number,Pager Number,Mobile Number,Home Address,Home Address 2,Home City,"
        "Home State,Home ZipCode,Home Country,Work Address,Work Address 2,Work City,Work State,Work ZipCode,"
        "Work Country,Job Title,Department,Organization,Web Page 1,Web Page 2,Birth Year,Birth Month,Birth Day,"
        "Custom 1,Custom 2,Custom 3,Custom 4,Notes,Categories\r\n";
    std::string emptyFields(32, ',');
    EXPECT_EQ(header + u8",,山田 太郎,,a@example.jp,b@example.jp" + emptyFields + u8"友人\r\n" +
                  ",,\"Yamada, \"\"Taro\"\"\",,c@example.jp," + emptyFields + "\r\n",
              csv);
}

// A long line folds into pieces of at most 75 bytes, never inside a UTF-8 character.
TEST_F(ExchangeExportTest, LongVCardLinesFoldBetweenCharacters)
{
    std::string name(60, 'x');
    for (int i = 0; i < 30; ++i)
        name += "漢";
    Address(name.c_str(), "long@example.jp", book);
    std::string vcard = CVCardWriter::Write(ContactsOfBook(book));
    int folds = 0;
    for (size_t start = 0, end = vcard.find("\r\n"); end != std::string::npos;
         start = end + 2, end = vcard.find("\r\n", start)) {
        EXPECT_LE(end - start, 75u);
        if (vcard[start] == ' ') {
            ++folds;
            EXPECT_NE(0x80, static_cast<unsigned char>(vcard[start + 1]) & 0xC0);
        }
    }
    EXPECT_EQ(4, folds);  // FN and N, 153 bytes each
    EXPECT_EQ(name + ": long@example.jp\r\n", ImportBytes(vcard).book);
}

// Export and import again give the same names, addresses and folders, whatever the names
// hold; an address without a mail address has no card and does not come back.
TEST_F(ExchangeExportTest, RoundTripsKeepNamesAddressesAndFolders)
{
    ADTDATA* friends = Folder("友人/知人", book);
    ADTDATA* inner = Folder("a,b;c\\d \"q\"", Folder("Group X", friends));
    Address("Yamada, Taro", "taro@example.jp,taro@example.com", friends);
    Address("a;b\\c \"quoted\" 'single'", "q@example.jp", inner);
    Address("ソ表示　能力～－", "so@example.jp", inner);
    Address(nullptr, "nameless@example.jp", friends);
    Address("=SUM(A1) <x>", "Name <angle@example.jp>", book);
    std::string expected = BookText(store, book);
    Address("電話だけ", "03-0000-0000", inner);
    Folder("空", book);

    ContactList contacts = ContactsOfBook(book);
    for (const std::string& file : {CVCardWriter::Write(contacts), CCsvWriter::Write(contacts)}) {
        ImportOutcome outcome = ImportBytes(file);
        EXPECT_EQ(expected, outcome.book);
        EXPECT_EQ(5, outcome.added);
        EXPECT_EQ(0, outcome.replaced);
    }
}

}  // namespace
