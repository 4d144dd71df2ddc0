#include <gtest/gtest.h>
#include <cstdint>
#include <string>
#include "ImportHelper.h"
#include "text/Charset.h"
#include "text/SjisEncoder.h"

namespace {

struct Sample {
    const char* file;
    ImportFormat format;
    const char* book;
    int withoutAddress;
    int replaced;
};

void ExpectImports(const Sample& sample)
{
    ImportOutcome outcome = ImportBytes(SampleBytes(sample.file));
    EXPECT_EQ(sample.format, outcome.format) << sample.file;
    EXPECT_EQ(sample.book, outcome.book) << sample.file;
    EXPECT_EQ(sample.withoutAddress, outcome.withoutAddress) << sample.file;
    EXPECT_EQ(sample.replaced, outcome.replaced) << sample.file;
}

TEST(ExchangeImportTest, VCardVersionsEncodingsAndEscapes)
{
    const Sample samples[] = {
        // 2.1, Shift-JIS: QUOTED-PRINTABLE with a soft line break, N composed, the PREF
        // address first, the card in AGENT skipped, a card without EMAIL left out.
        {"vcard21-sjis.vcf", ImportFormat::VCard,
         "Group 取引先\r\n    Group 東京\r\n        山田 太郎: taro@example.jp\r\n"
         "        山田 太郎: t.yamada@example.com\r\n    End group\r\nEnd group\r\nHanako Suzuki: hanako@example.jp\r\n",
         1, 0},
        // 3.0, UTF-8: escapes, a folded address, N when FN is missing (family name first in
        // Japanese), a contact in each of its categories, an escaped "/" in a folder name;
        // ë, ü and 😀 are not in Shift-JIS, WAVE DASH and MINUS SIGN are, as ～ and －.
        {"vcard30-utf8.vcf", ImportFormat::VCard,
         "Group Friends\r\n    Yamada, Taro ; Sales\\East: taro@example.com\r\n"
         "    Yamada, Taro ; Sales\\East: taro.home@example.net\r\nEnd group\r\n"
         "Group Work\r\n    Yamada, Taro ; Sales\\East: taro@example.com\r\n"
         "    Yamada, Taro ; Sales\\East: taro.home@example.net\r\nEnd group\r\n"
         "Group 友人/知人\r\n    Group 大学\r\n        佐藤 花子: hanako@example.jp\r\n    End group\r\nEnd group\r\n"
         "Zo? ～ ? M?ller－1: zoe@example.de\r\n",
         0, 3},
        // 4.0, UTF-8 with a byte-order mark: quoted parameters; a name that the address file
        // would break at its line end, cut at ":" or read as a folder line.
        {"vcard40-utf8bom.vcf", ImportFormat::VCard,
         "Group Group Sales\r\n    高橋 \"Ken\" 健: ken@example.jp\r\n    高橋 \"Ken\" 健: ken@example.org\r\nEnd group\r\n"
         "Ｇroup Leader： Sato: leader@example.jp\r\n",
         0, 0},
    };
    for (const Sample& sample : samples)
        ExpectImports(sample);
}

TEST(ExchangeImportTest, CsvHeadersOfThunderbirdOutlookAndGmailInEveryEncoding)
{
    const Sample samples[] = {
        // Quoted commas, doubled quotes, a line end inside quotes; the same address twice;
        // a row without mail.
        {"thunderbird-en-utf8.csv", ImportFormat::Csv,
         "Yamada, Taro: taro@example.jp\r\nYamada, Taro: taro@example.com\r\nJiro Suzuki: jiro@example.jp\r\n"
         "Say \"Hi\": hi@example.jp\r\n",
         1, 0},
        {"thunderbird-ja-sjis.csv", ImportFormat::Csv,
         "ソニー 表示: sony@example.jp\r\n田中 一郎: ichiro@example.jp\r\n田中 一郎: ichiro@example.com\r\n", 0, 0},
        // An Exchange address is no mail address; each category is a folder.
        {"outlook-en-utf16le.csv", ImportFormat::Csv,
         "Group Customers\r\n    John Q. Public: john@example.com\r\n    John Q. Public: jq@example.org\r\nEnd group\r\n"
         "Group VIP\r\n    John Q. Public: john@example.com\r\n    John Q. Public: jq@example.org\r\nEnd group\r\n",
         1, 0},
        {"outlook-ja-utf16be.csv", ImportFormat::Csv,
         "Group 得意先\r\n    Group 大阪\r\n        伊藤 次郎: jiro.ito@example.jp\r\n"
         "        伊藤 次郎: ito@example.net\r\n    End group\r\nEnd group\r\n",
         0, 0},
        // Several addresses in one field, separated by " ::: "; a label past myContacts.
        {"gmail-en-utf8bom.csv", ImportFormat::Csv,
         "Group Friends\r\n    Mary Major: mary@example.com\r\n    Mary Major: mary.major@example.org\r\n"
         "    Mary Major: mm@example.net\r\nEnd group\r\nAnn Lee: ann@example.com\r\n",
         0, 0},
        {"gmail-ja-utf8.csv", ImportFormat::Csv, "木村 さくら: sakura@example.jp\r\n", 0, 0},
    };
    for (const Sample& sample : samples)
        ExpectImports(sample);
}

// The header is the first row that is not empty; an unknown one reads nothing.
TEST(ExchangeImportTest, CsvHeaderMustBeKnown)
{
    ImportOutcome outcome = ImportBytes(SampleBytes("unknown-header.csv"));
    EXPECT_EQ(ImportFormat::Csv, outcome.format);
    EXPECT_TRUE(outcome.unknownHeader);
    EXPECT_EQ("", outcome.book);

    outcome = ImportBytes("\r\n , \r\nName,E-mail 1 - Value\r\nAnn,ann@example.jp\r\n");
    EXPECT_FALSE(outcome.unknownHeader);
    EXPECT_EQ("Ann: ann@example.jp\r\n", outcome.book);
}

TEST(ExchangeImportTest, ContentNotNameDecidesTheFormat)
{
    EXPECT_EQ(ImportFormat::Empty, DetectImportFormat(" \r\n\r\n"));
    EXPECT_EQ(ImportFormat::AlMail, DetectImportFormat("\r\nGroup 友人,仕事\r\nEnd group\r\n"));
    EXPECT_EQ(ImportFormat::AlMail, DetectImportFormat("Taro: a@x,b@y\r\n"));
    EXPECT_EQ(ImportFormat::AlMail, DetectImportFormat("友人, 家族\r\nTaro: a@x\r\nHanako: h@y\r\n"));  // a comment
    EXPECT_EQ(ImportFormat::AlMail, DetectImportFormat("\xEF\xBB\xBFTaro: a@x\r\n"));  // an editor's mark
    EXPECT_EQ(ImportFormat::VCard, DetectImportFormat("\r\n  begin:vcard\r\nVERSION:3.0\r\n"));
    EXPECT_EQ(ImportFormat::Csv, DetectImportFormat("Name,E-mail 1 - Value\r\nTaro,t@x\r\n"));
    EXPECT_EQ(ImportFormat::Csv, DetectImportFormat("Name,Phone\r\nTaro,03\r\n"));  // its header is refused later
    EXPECT_EQ(ImportFormat::Unknown, DetectImportFormat("\xEF\xBB\xBF" "Email\r\na@x\r\n"));  // one column
    EXPECT_EQ(ImportFormat::Unknown, DetectImportFormat("Name\tURL\r\nTaro\thttp://x.jp\r\nJiro\thttps://y.jp\r\n"));
    EXPECT_EQ(ImportFormat::Unknown, DetectImportFormat("notes of a meeting\r\n"));
}

}  // namespace

namespace {

// A card cut off without END:VCARD ends where the next one begins, and a soft line break
// never takes END:VCARD into its value.
TEST(ExchangeImportTest, CutCardEndsWhereTheNextBegins)
{
    ExpectImports({"vcard-cut-card.vcf", ImportFormat::VCard,
                   "Cut Off: cut@example.jp\r\nSoft Break: soft@example.jp\r\nWhole Card: whole@example.jp\r\n", 0, 0});
    ImportOutcome outcome = ImportBytes(SampleBytes("vcard-cut-card.vcf"));
    EXPECT_EQ(1, outcome.incomplete);
    EXPECT_EQ(unsigned(kNotKeptPhones), outcome.notKept);
}

// One address node per mail address, the preferred one first; a group card (vCard 4.0,
// Apple's 3.0 form with members by UID) is one list node and no contact without address.
TEST(ExchangeImportTest, PersonsGiveOneNodePerAddressGroupsOneList)
{
    ExpectImports({"vcard-addresses-groups.vcf", ImportFormat::VCard,
                   "山田 太郎: t.yamada@work.example.jp\r\n山田 太郎: taro@home.example.jp\r\n"
                   "山田 太郎: taro@docomo.example.ne.jp\r\n"
                   "Hanako Suzuki: hanako@work.example.com\r\nHanako Suzuki: hanako@home.example.com\r\n"
                   "テニス部: captain@example.jp,coach@example.jp\r\n"
                   "家族: t.yamada@work.example.jp,hanako@work.example.com\r\n",
                   0, 0});
    ImportOutcome outcome = ImportBytes(SampleBytes("vcard-addresses-groups.vcf"));
    EXPECT_EQ(2, outcome.lists);
    EXPECT_EQ(1, outcome.emptyGroups);
    // Members that differ only in characters Shift-JIS cannot hold are one member, as the
    // list gives when it is exported and read back.
    EXPECT_EQ("G: a?@example.jp,\r\n",
              ImportBytes("BEGIN:VCARD\r\nVERSION:4.0\r\nKIND:group\r\nFN:G\r\nMEMBER:mailto:a\xC3\xA9@example.jp\r\n"
                          "MEMBER:mailto:a\xC3\xA8@example.jp\r\nEND:VCARD\r\n")  // é, è
                  .book);
}

// The character set is decided for each value: half-width kana stay kana, ISO-2022-JP is
// read, one Shift-JIS value in a UTF-8 file or one stray byte in a UTF-8 CSV spoils nothing else.
TEST(ExchangeImportTest, CharacterSetIsDecidedForEachValue)
{
    const Sample samples[] = {
        {"vcard21-charsets.vcf", ImportFormat::VCard,
         "ﾐｶ ﾐｷ: mika@example.jp\r\nﾒｳﾐｺ: meumiko@example.jp\r\n山田　太郎: yamada@example.jp\r\n"
         "山田: sjis-qp@example.jp\r\n",
         0, 0},
        {"vcard30-mixed-charsets.vcf", ImportFormat::VCard,
         "佐藤 花子: hanako@example.jp\r\n鈴木 一郎: ichiro@example.jp\r\n", 0, 0},
        {"csv-utf8-stray-byte.csv", ImportFormat::Csv,
         "山田 太郎: taro@example.jp\r\n鈴木?一郎: ichiro@example.jp\r\n", 0, 1},
    };
    for (const Sample& sample : samples)
        ExpectImports(sample);
    EXPECT_EQ(1, ImportBytes(SampleBytes("csv-utf8-stray-byte.csv")).undecodable);
    // Valid UTF-8 in version 3.0 is UTF-8, though "к" reads as the half-width kana ﾐｺ too.
    EXPECT_EQ("?B3к: a@example.jp\r\n",
              ImportBytes(u8"BEGIN:VCARD\r\nVERSION:3.0\r\nFN:?B3к\r\nEMAIL:a@example.jp\r\nEND:VCARD\r\n").book);
}

// A value without CHARSET is read by what the file said before it: in version 2.1 the phone
// group written again after a value said UTF-8 reads as UTF-8 ("é", which Shift-JIS cannot
// hold), not as the half-width kana that the same bytes gave before ("ﾃｩ"), also when that
// value was an N that the card did not need.
TEST(ExchangeImportTest, RepeatedValueReadsByWhatTheFileSaidBefore)
{
    const std::string first = u8"BEGIN:VCARD\r\nVERSION:2.1\r\nN:A\r\nEMAIL:a@example.jp\r\nX-GN:é\r\nEND:VCARD\r\n";
    for (const char* marking : {"N;CHARSET=UTF-8:B\r\n", "N;CHARSET=UTF-8:B\r\nFN:B\r\n"}) {
        std::string second = std::string("BEGIN:VCARD\r\nVERSION:2.1\r\n") + marking +
                             u8"EMAIL:b@example.jp\r\nX-GN:é\r\nEND:VCARD\r\n";
        EXPECT_EQ("Group ﾃｩ\r\n    A: a@example.jp\r\nEnd group\r\nGroup ?\r\n    B: b@example.jp\r\nEnd group\r\n",
                  ImportBytes(first + second).book)
            << marking;
    }
}

// Without FN and N a card is named by ORG, NICKNAME or the address; names keep the order
// of their script; decomposed kana, compatibility forms and no-break spaces are normalised.
TEST(ExchangeImportTest, NamesAreNeverEmptyAndFollowTheirScript)
{
    ExpectImports({"vcard-names.vcf", ImportFormat::VCard,
                   "Velmora Inc.: info@velmora.example\r\nTama: tama@example.jp\r\nno.name: no.name@example.jp\r\n"
                   "J?rgen M?ller: juergen@example.de\r\nばじめ プロ: hajime@example.jp\r\n"
                   "Taro Yamada: nbsp@example.jp\r\n山田 一郎: kangxi@example.jp\r\n",
                   0, 2});
}

// Google's labels (new and old column), past its own groups ("* Friends" too), and the
// docomo/au group property become folders; a contact is in each of its folders.
TEST(ExchangeImportTest, LabelsAndPhoneGroupsBecomeFolders)
{
    const Sample samples[] = {
        {"gmail-labels.csv", ImportFormat::Csv,
         "Group 友人\r\n    山田 太郎: t.yamada@example.com\r\n    山田 太郎: taro@example.jp\r\nEnd group\r\n"
         "Group 仕事\r\n    山田 太郎: t.yamada@example.com\r\n    山田 太郎: taro@example.jp\r\nEnd group\r\n"
         "Ann Lee: ann@example.com\r\nVelmora Inc.: sales@velmora.example\r\n",
         0, 0},
        {"gmail-group-membership.csv", ImportFormat::Csv,
         "Group 家族\r\n    佐藤 花子: hanako@example.jp\r\nEnd group\r\n",
         0, 0},
        {"vcard21-docomo-group.vcf", ImportFormat::VCard,
         "Group 友人\r\n    田中 一郎: ichiro@docomo.example.ne.jp\r\nEnd group\r\n", 0, 0},
    };
    for (const Sample& sample : samples)
        ExpectImports(sample);
}

// An unterminated quote ends with its line; a line break in a quoted name is one blank.
TEST(ExchangeImportTest, UnterminatedQuoteEndsWithItsLine)
{
    ExpectImports({"csv-unterminated-quote.csv", ImportFormat::Csv,
                   "Yamada Taro: taro@example.jp\r\nSuzuki Jiro: jiro@example.jp\r\n"
                   "Sato Hanako: hanako@example.jp\r\nIto, Ken: ken@example.jp\r\n",
                   0, 0});
    EXPECT_EQ(1, ImportBytes(SampleBytes("csv-unterminated-quote.csv")).incomplete);
}


// A Shift-JIS CSV is cut into fields as it is and converted only in the fields the book
// takes: random files with quoted separators, doubled quotes, line breaks in fields, cut
// quotes and lead bytes without their trail byte read as the same file converted whole
// to UTF-8 with a mark.
TEST(ExchangeImportTest, ShiftJisCsvReadsAsItsUtf8Conversion)
{
    const char* const pieces[] = {u8"山田", u8"太郎", u8"ﾔﾏﾀﾞ", u8"東京,本社", u8"営業\"第一\"課", u8"友人;家族",
                                  u8"佐藤\r\n花子", "a@example.jp", "b@example.jp, c@example.jp", "", " ", "x"};
    uint32_t seed = 11;
    auto next = [&seed](uint32_t range) {
        seed = seed * 1103515245u + 12345u;
        return (seed >> 8) % range;
    };
    CSjisEncoder encoder;
    for (int file = 0; file < 40; ++file) {
        std::string sjis = encoder.Encode(u8"名,姓,電子メール アドレス,分類項目,会社,メモ\r\n");
        for (int row = 0; row < 12; ++row) {
            for (int column = 0; column < 6; ++column) {
                std::string field = encoder.Encode(pieces[next(sizeof pieces / sizeof pieces[0])]);
                if (next(8) == 0)
                    field += '\x82';  // a lead byte cut from its trail byte
                bool quoted = next(3) != 0 || field.find_first_of(",\"\r\n") != std::string::npos;
                if (quoted) {
                    std::string doubled;
                    for (char c : field)
                        doubled += c == '"' ? std::string("\"\"") : std::string(1, c);
                    field = "\"" + doubled + (next(20) == 0 ? "" : "\"");
                }
                sjis += (column ? "," : "") + field;
            }
            sjis += next(4) == 0 ? "\n" : "\r\n";
        }
        ImportOutcome raw = ImportBytes(sjis);
        ImportOutcome whole = ImportBytes("\xEF\xBB\xBF" + Charset::SjisToUtf8(sjis));
        ASSERT_EQ(ImportFormat::Csv, raw.format) << file;
        EXPECT_EQ(whole.book, raw.book) << file;
        EXPECT_EQ(whole.notKept, raw.notKept) << file;
        EXPECT_EQ(whole.incomplete, raw.incomplete) << file;
        EXPECT_EQ(whole.withoutAddress, raw.withoutAddress) << file;
        EXPECT_EQ(whole.replaced, raw.replaced) << file;
    }
}
}  // namespace

namespace {

struct RealFile {
    const char* file;
    const char* book;
    int incomplete;
    int duplicates;
    unsigned notKept;
};

// Files as other programs write them: every card of a file whose line ends change arrives,
// and a card without its BEGIN line is read and named; Google's own groups make no folder;
// UTF-8, EUC-JP and Windows-1252 without a mark read right; ";" and tab separators and
// Outlook's German and French headers are known; a contact listed twice is one entry; and
// the summary hears of every kind of field a book does not keep.
TEST(ExchangeImportTest, FilesAsProgramsWriteThem)
{
    const RealFile files[] = {
        {"vcard-mixed-line-ends.vcf",
         "Ichiro Tanaka: ichiro@example.jp\r\nJiro Suzuki: jiro@example.jp\r\nSaburo Sato: saburo@example.jp\r\n"
         "Shiro Ito: shiro@example.jp\r\nGoro Kato: goro@example.jp\r\n",
         1, 0, kNotKeptNotes},
        {"vcard21-crcrlf.vcf", "山田 太郎: taro@example.jp\r\nHanako Suzuki: hanako@example.jp\r\n", 0, 0, 0},
        {"google-categories.vcf",
         "Group 取引先\r\n    山田 太郎: taro@example.jp\r\nEnd group\r\nAnn Lee: ann@example.com\r\n"
         "Group Family\r\n    Bob Young: bob@example.com\r\nEnd group\r\n",
         0, 0, 0},
        {"google-categories-column.csv",
         "Group Clients\r\n    Taro Yamada: taro@example.jp\r\nEnd group\r\nAnn Lee: ann@example.com\r\n", 0, 0, 0},
        {"vcard21-utf8-one-card.vcf", "佐藤 健: ken@example.jp\r\n", 0, 0, kNotKeptPhones},
        {"vcard30-eucjp.vcf", "山田 太郎: taro@example.jp\r\nﾔﾏﾀﾞ ﾊﾅｺ: hanako@example.jp\r\n", 0, 0, 0},
        {"thunderbird-ja-eucjp.csv", "鈴木 一郎: ichiro@example.jp\r\n木村 さくら: sakura@example.jp\r\n"
         "木村 さくら: sakura@example.com\r\n", 0, 0, kNotKeptNicknames},
        {"outlook-en-cp1252.csv",
         "Ren? Dubois: rene@example.fr\r\nFr?d?ric Lef?vre: fred@example.fr\r\nZo? O'Neil: zoe@example.com\r\n", 0, 0,
         kNotKeptNotes},
        {"outlook-de-semicolon.csv",
         "Group Kunden\r\n    J?rgen M?ller: juergen@example.de\r\n    J?rgen M?ller: jm@example.org\r\nEnd group\r\n"
         "Group K?ln\r\n    J?rgen M?ller: juergen@example.de\r\n    J?rgen M?ller: jm@example.org\r\nEnd group\r\n"
         "Anna Schmidt: anna@example.de\r\n",
         0, 0, kNotKeptPhones | kNotKeptPostalAddresses | kNotKeptCompanies},
        {"outlook-fr-utf8.csv", "Group Amis\r\n    ?ric Lef?vre: eric@example.fr\r\nEnd group\r\n", 0, 0, 0},
        {"tab-separated.csv", "Yamada, Taro: taro@example.jp\r\n", 0, 0, 0},
        {"vcard-duplicates.vcf",
         "Group 友人\r\n    山田 太郎: taro@example.jp\r\n    山田 太郎: t.yamada@example.com\r\nEnd group\r\n"
         "Group 仕事\r\n    山田 太郎: taro@example.jp\r\n    山田 太郎: t.yamada@example.com\r\nEnd group\r\n",
         0, 2, 0},
        {"vcard-not-kept.vcf", "山田 太郎: taro@example.jp\r\nAnn Lee: ann@example.com\r\n", 0, 0,
         kNotKeptReadings | kNotKeptCompanies | kNotKeptTitles | kNotKeptNicknames | kNotKeptBirthdays | kNotKeptWebPages},
        {"gmail-phonetic.csv", "鈴木 一郎: ichiro@example.jp\r\n", 0, 0,
         kNotKeptReadings | kNotKeptCompanies | kNotKeptTitles | kNotKeptNicknames | kNotKeptBirthdays | kNotKeptWebPages},
    };
    for (const RealFile& file : files) {
        ImportOutcome outcome = ImportBytes(SampleBytes(file.file));
        EXPECT_EQ(file.book, outcome.book) << file.file;
        EXPECT_EQ(file.incomplete, outcome.incomplete) << file.file;
        EXPECT_EQ(file.duplicates, outcome.duplicates) << file.file;
        EXPECT_EQ(file.notKept, outcome.notKept) << file.file;
    }
    EXPECT_EQ("23 Goro Kato;", ImportBytes(SampleBytes("vcard-mixed-line-ends.vcf")).incompleteCards);
}

}  // namespace
