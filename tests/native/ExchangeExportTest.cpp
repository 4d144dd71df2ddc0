#include <gtest/gtest.h>
#include <algorithm>
#include <string>
#include <vector>
#include "ImportHelper.h"
#include "TempFile.h"
#include "exchange/BookContacts.h"
#include "exchange/CsvWriter.h"
#include "exchange/VCardWriter.h"
#include "store/StoreHooks.h"

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

const char kCsvHeader[] =
    "\xEF\xBB\xBF" "First Name,Last Name,Display Name,Nickname,Primary Email,Secondary Email,Screen Name,"
    "Work Phone,Home Phone,Fax Number,Pager Number,Mobile Number,Home Address,Home Address 2,Home City,"
    "Home State,Home ZipCode,Home Country,Work Address,Work Address 2,Work City,Work State,Work ZipCode,"
    "Work Country,Job Title,Department,Organization,Web Page 1,Web Page 2,Birth Year,Birth Month,Birth Day,"
    "Custom 1,Custom 2,Custom 3,Custom 4,Notes,Categories,Members\r\n";

// A row of the CSV export from its written fields: first, last and display name, primary
// and secondary address, categories, members.
std::string CsvRow(std::vector<std::string> fields)
{
    fields.resize(7);
    std::string row = fields[0] + "," + fields[1] + "," + fields[2] + ",," + fields[3] + "," + fields[4];
    return row + std::string(32, ',') + fields[5] + "," + fields[6] + "\r\n";
}

// N holds family and given name where the name shows them; CATEGORIES uses only vCard's
// own escapes; a person's neighbouring nodes are one card, a list node a group card; no
// CSV column meant for one address holds two.
TEST_F(ExchangeExportTest, WritersUseTheFormsOtherProgramsRead)
{
    ADTDATA* friends = Folder("a,b", Folder("友人/知人", book));
    Address("山田 太郎", "a@example.jp", friends);
    Address("山田 太郎", "b@example.jp", friends);
    Address("山田 太郎", "c@example.jp", friends);
    Address("テニス部", "a@example.jp,d@example.jp", friends);
    Address("電話だけ", "03-0000-0000", book);
    Address("Yamada, \"Taro\"", "t@example.jp", book);
    Address("Tama", "tama@example.jp", book);
    ContactList contacts = ContactsOfBook(book);
    EXPECT_EQ(4u, contacts.contacts.size());
    EXPECT_EQ(1, contacts.nWithoutAddress);

    EXPECT_EQ(u8"BEGIN:VCARD\r\nVERSION:3.0\r\nFN:山田 太郎\r\nN:山田;太郎;;;\r\n"
              u8"EMAIL;TYPE=INTERNET:a@example.jp\r\nEMAIL;TYPE=INTERNET:b@example.jp\r\n"
              u8"EMAIL;TYPE=INTERNET:c@example.jp\r\nCATEGORIES:友人\\\\/知人/a\\,b\r\nEND:VCARD\r\n"
              u8"BEGIN:VCARD\r\nVERSION:3.0\r\nKIND:group\r\nFN:テニス部\r\nN:;;;;\r\n"
              u8"MEMBER:mailto:a@example.jp\r\nMEMBER:mailto:d@example.jp\r\n"
              u8"EMAIL;TYPE=INTERNET:a@example.jp\r\nEMAIL;TYPE=INTERNET:d@example.jp\r\n"
              u8"CATEGORIES:友人\\\\/知人/a\\,b\r\nEND:VCARD\r\n"
              u8"BEGIN:VCARD\r\nVERSION:3.0\r\nFN:Yamada\\, \"Taro\"\r\nN:Yamada;Taro;;;\r\n"
              u8"EMAIL;TYPE=INTERNET:t@example.jp\r\nEND:VCARD\r\n"
              u8"BEGIN:VCARD\r\nVERSION:3.0\r\nFN:Tama\r\nN:Tama;;;;\r\nEMAIL;TYPE=INTERNET:tama@example.jp\r\nEND:VCARD\r\n",
              CVCardWriter::Write(contacts));

    const std::string category = u8"\"友人\\/知人/a\\,b\"";
    EXPECT_EQ(std::string(kCsvHeader) + CsvRow({u8"太郎", u8"山田", u8"山田 太郎", "a@example.jp", "b@example.jp", category}) +
                  CsvRow({u8"太郎", u8"山田", u8"山田 太郎", "c@example.jp", "", category}) +
                  CsvRow({"", "", u8"テニス部", "", "", category, "\"a@example.jp,d@example.jp\""}) +
                  CsvRow({"Taro", "Yamada", "\"Yamada, \"\"Taro\"\"\"", "t@example.jp"}) +
                  CsvRow({"", "Tama", "Tama", "tama@example.jp"}),
              CCsvWriter::Write(contacts));
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
    EXPECT_EQ(4, folds);  // FN, 153 bytes, and N, which holds the name of one word whole
    EXPECT_EQ(name + ": long@example.jp\r\n", ImportBytes(vcard).book);
}

// A line folds exactly when it is longer than 75 bytes, whichever line of a card it is: the
// name, its parts, a nickname, an address, the categories, each from 73 to 77 bytes long
// while the card's other lines are shorter.
TEST_F(ExchangeExportTest, VCardLinesFoldExactlyWhenLongerThan75Bytes)
{
    ContactList list;
    std::vector<std::string> expected;
    auto add = [&](const std::string& name, const std::string& address, const std::string& folder) {
        Contact contact;
        contact.name = name;
        contact.addresses = {address};
        if (!folder.empty())
            contact.folders = {folder};
        list.contacts.push_back(contact);
    };
    for (size_t line = 73; line <= 77; ++line) {
        std::string blanks = "a" + std::string(line - 5, ' ') + "b";  // FN only
        add(blanks, "a@example.jp", "");
        expected.push_back("FN:" + blanks);
        std::string latin = std::string(line - 13, 'g') + " fffffff";  // N; FN two bytes shorter
        add(latin, "a@example.jp", "");
        expected.push_back("N:fffffff;" + std::string(line - 13, 'g') + ";;;");
        std::string nickname(line - 9, 'n');  // NICKNAME; FN two bytes shorter
        add("A \"" + nickname + "\"", "a@example.jp", "");
        expected.push_back("NICKNAME:" + nickname);
        std::string address = std::string(line - 31, 'a') + "@example.jp";
        add("A", address, "");
        expected.push_back("EMAIL;TYPE=INTERNET:" + address);
        std::string folder(line - 11, 'c');
        add("A", "a@example.jp", folder);
        expected.push_back("CATEGORIES:" + folder);
    }
    std::string vcard = CVCardWriter::Write(list);
    std::vector<std::string> lines;  // the lines unfolded
    std::vector<int> pieces;         // and the lines each was written in
    for (size_t start = 0, end = vcard.find("\r\n"); end != std::string::npos;
         start = end + 2, end = vcard.find("\r\n", start)) {
        std::string line = vcard.substr(start, end - start);
        EXPECT_LE(line.size(), 75u);
        if (line[0] != ' ') {
            lines.push_back(line);
            pieces.push_back(1);
            continue;
        }
        ASSERT_FALSE(lines.empty());
        lines.back() += line.substr(1);
        ++pieces.back();
    }
    for (size_t i = 0; i < lines.size(); ++i)
        EXPECT_EQ(lines[i].size() > 75, pieces[i] > 1) << lines[i];
    for (const std::string& line : expected)
        EXPECT_NE(lines.end(), std::find(lines.begin(), lines.end(), line)) << line;
}

// Export and import again give the same names, addresses, lists and folders, whatever the
// names hold; an address without a mail address has no card and does not come back, one
// without a name comes back named by its address, and an entry the folder held twice comes
// back once, counted.
TEST_F(ExchangeExportTest, RoundTripsKeepNamesAddressesListsAndFolders)
{
    ADTDATA* friends = Folder("友人/知人", book);
    ADTDATA* inner = Folder("a,b;c\\d \"q\"", Folder("Group X", friends));
    Address("Yamada, Taro", "taro@example.jp", friends);
    Address("Yamada, Taro", "taro@example.com", friends);
    Address("Yamada, Taro", "taro@example.jp", friends);
    Address("Team", "taro@example.jp,hanako@example.jp", friends);
    Address("a;b\\c \"quoted\" 'single'", "q@example.jp", inner);
    Address("ソ表示　能力～－", "so@example.jp", inner);
    Address("nameless", "nameless@example.jp", friends);
    Address("=SUM(A1) <x>", "Name <angle@example.jp>", book);
    Address("Mother", "mother@example.jp", Folder("family", book));  // a name Google uses too
    std::string expected = BookText(store, book);
    const std::string twice = "    Yamada, Taro: taro@example.jp\r\n";
    expected.erase(expected.rfind(twice), twice.size());
    Address(nullptr, "nameless@example.jp", friends);
    Address("電話だけ", "03-0000-0000", inner);
    Folder("空", book);
    ADTDATA* nameless = friends->pLastChild;
    store.DeleteData(nameless->pPrev);

    ContactList contacts = ContactsOfBook(book);
    for (const std::string& file : {CVCardWriter::Write(contacts), CCsvWriter::Write(contacts)}) {
        ImportOutcome outcome = ImportBytes(file);
        EXPECT_EQ(expected, outcome.book);
        EXPECT_EQ(8, outcome.added);
        EXPECT_EQ(1, outcome.duplicates);
        EXPECT_EQ(1, outcome.lists);
        EXPECT_EQ(0, outcome.replaced);
    }
}

// What a book holds that the formats write in their own ways: the parts of a name (N is
// family;given;;title;suffix, CSV's name columns alike), lists of one member, members
// written with their names, empty folders. Export and import again give the same book,
// but for what a format cannot carry, which the counts name for the summary.
TEST_F(ExchangeExportTest, ExportedDetailsComeBackOrAreCounted)
{
    struct Person {
        const char* name;  // as the book holds it
        const char* n;     // N of its card
        const char* nickname;
    };
    const Person people[] = {
        {"山田 太郎", u8"山田;太郎;;;", ""},
        {"山田太郎", u8"山田太郎;;;;", ""},  // no blank: all of it is the family name
        {"Tama", "Tama;;;;", ""},
        {"O'Brien \"Bob\" Jr.", "O'Brien;;;;Jr.", "Bob"},
        {"\"佐藤 健\" 様", u8"佐藤;健;;;様", ""},
        {"Dr. John Ronald Smith III", "Smith;John Ronald;;Dr.;III", ""},
        {"Robert \"Bob\" Smith", "Smith;Robert;;;", "Bob"},
    };
    int number = 0;
    for (const Person& person : people)
        Address(person.name, ("p" + std::to_string(++number) + "@example.jp").c_str(), book);
    ADTDATA* lists = Folder("リスト", book);
    Address("ひとり", "solo@example.jp,", lists);
    Address("チーム", "山田 <t@example.jp>,b@example.jp", lists);
    Folder("空", book);
    Folder("内側", Folder("外側", book));
    std::string written = BookText(store, book);

    ExportCounts vcardCounts;
    std::string vcard = ExportBook(book, ExportFormat::VCard, vcardCounts);
    for (const Person& person : people) {
        EXPECT_NE(std::string::npos, vcard.find(std::string("\r\nN:") + person.n + "\r\n")) << person.n;
        if (*person.nickname) {
            EXPECT_NE(std::string::npos, vcard.find(std::string("\r\nN:") + person.n + "\r\nNICKNAME:" + person.nickname));
        }
    }
    EXPECT_NE(std::string::npos, vcard.find("KIND:group\r\nFN:" + std::string(u8"ひとり") +
                                            "\r\nN:;;;;\r\nMEMBER:mailto:solo@example.jp\r\nEMAIL"));
    EXPECT_NE(std::string::npos, vcard.find("MEMBER:mailto:t@example.jp\r\nMEMBER:mailto:b@example.jp\r\n"
                                            "EMAIL;TYPE=INTERNET:t@example.jp\r\n"));
    EXPECT_EQ(1, vcardCounts.memberNames);
    EXPECT_EQ((std::vector<std::string>{"空", "外側/内側", "外側"}), vcardCounts.emptyFolders);
    EXPECT_EQ(9, vcardCounts.contacts);
    EXPECT_EQ(2, vcardCounts.groups);

    ExportCounts csvCounts;
    std::string csv = ExportBook(book, ExportFormat::Csv, csvCounts);
    EXPECT_NE(std::string::npos, csv.find(u8",O'Brien,\"O'Brien \"\"Bob\"\" Jr.\",Bob,p4@example.jp,"));
    EXPECT_EQ(0, csvCounts.memberNames);
    EXPECT_EQ(vcardCounts.emptyFolders, csvCounts.emptyFolders);

    // The folders without addresses do not come back; vCard's members come back bare.
    std::string kept = written.substr(0, written.find("Group 空"));
    EXPECT_EQ(kept, ImportBytes(csv).book);
    std::string bare = kept;
    bare.replace(bare.find("山田 <t@example.jp>"), std::string("山田 <t@example.jp>").size(), "t@example.jp");
    EXPECT_EQ(bare, ImportBytes(vcard).book);
}

// The export to a file, written in pieces as it is made, gives the bytes and counts of the
// export at once across the pieces' edges, and a write that comes up short in the middle
// fails the export.
TEST_F(ExchangeExportTest, ExportToAFileWritesTheSameBytesInPiecesAndReportsAShortWrite)
{
    ADTDATA* folder = nullptr;
    for (int i = 0; i < 5000; ++i) {
        if (i % 1000 == 0)
            folder = Folder(("取引先 " + std::to_string(i)).c_str(), book);
        std::string name = (i % 7 ? "山田 太郎" : std::string(80, 'x') + ", 長い名前") + std::to_string(i);
        Address(name.c_str(), ("t" + std::to_string(i) + "@example.jp").c_str(), folder);
    }
    for (ExportFormat format : {ExportFormat::VCard, ExportFormat::Csv}) {
        ExportCounts atOnce;
        std::string bytes = ExportBook(book, format, atOnce);
        ASSERT_GT(bytes.size(), 2u << 18);  // more than two pieces
        CTempFile file;
        FILE* out = std::fopen(file.Path().c_str(), "wb");
        ExportCounts counts;
        EXPECT_TRUE(ExportBook(book, format, counts, out));
        std::fclose(out);
        EXPECT_TRUE(bytes == file.Read());
        EXPECT_EQ(atOnce.contacts, counts.contacts);

        StoreHooks saved = g_StoreHooks;
        static int writes;
        writes = 0;
        g_StoreHooks.write = [](const void*, size_t size, FILE*) -> size_t { return ++writes == 2 ? 0 : size; };
        out = std::fopen(file.Path().c_str(), "wb");
        EXPECT_FALSE(ExportBook(book, format, counts, out));
        std::fclose(out);
        g_StoreHooks = saved;
    }
}

}  // namespace
