#include <gtest/gtest.h>
#include <string>
#include "ImportHelper.h"

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
        // 2.1, Shift-JIS: QUOTED-PRINTABLE with a soft line break, N composed, the card in
        // AGENT skipped, a card without EMAIL left out.
        {"vcard21-sjis.vcf", ImportFormat::VCard,
         "Group 取引先\r\n    Group 東京\r\n        山田 太郎: taro@example.jp,t.yamada@example.com\r\n"
         "    End group\r\nEnd group\r\nHanako Suzuki: hanako@example.jp\r\n",
         1, 0},
        // 3.0, UTF-8: escapes, a folded address, N when FN is missing (family name first in
        // Japanese), the first of several categories, an escaped "/" in a folder name;
        // ë, ü and 😀 are not in Shift-JIS, WAVE DASH and MINUS SIGN are, as ～ and －.
        {"vcard30-utf8.vcf", ImportFormat::VCard,
         "Group Friends\r\n    Yamada, Taro ; Sales\\East: taro@example.com,taro.home@example.net\r\nEnd group\r\n"
         "Group 友人/知人\r\n    Group 大学\r\n        佐藤 花子: hanako@example.jp\r\n    End group\r\nEnd group\r\n"
         "Zo? ～ ? M?ller－1: zoe@example.de\r\n",
         0, 3},
        // 4.0, UTF-8 with a byte-order mark: quoted parameters; a name that the address file
        // would break at its line end, cut at ":" or read as a folder line.
        {"vcard40-utf8bom.vcf", ImportFormat::VCard,
         "Group Group Sales\r\n    高橋 \"Ken\" 健: ken@example.jp,ken@example.org\r\nEnd group\r\n"
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
         "Yamada, Taro: taro@example.jp,taro@example.com\r\nJiro Suzuki: jiro@example.jp\r\n"
         "Say \"Hi\": hi@example.jp\r\n",
         1, 0},
        {"thunderbird-ja-sjis.csv", ImportFormat::Csv,
         "ソニー 表示: sony@example.jp\r\n田中 一郎: ichiro@example.jp,ichiro@example.com\r\n", 0, 0},
        // An Exchange address is no mail address; the first category is the folder.
        {"outlook-en-utf16le.csv", ImportFormat::Csv,
         "Group Customers\r\n    John Q. Public: john@example.com,jq@example.org\r\nEnd group\r\n", 1, 0},
        {"outlook-ja-utf16be.csv", ImportFormat::Csv,
         "Group 得意先\r\n    Group 大阪\r\n        伊藤 次郎: jiro.ito@example.jp,ito@example.net\r\n"
         "    End group\r\nEnd group\r\n",
         0, 0},
        // Several addresses in one field, separated by " ::: ".
        {"gmail-en-utf8bom.csv", ImportFormat::Csv,
         "Mary Major: mary@example.com,mary.major@example.org,mm@example.net\r\nAnn Lee: ann@example.com\r\n", 0, 0},
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
