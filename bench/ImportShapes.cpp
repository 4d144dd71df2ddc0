#include "ImportShapes.h"
#include <algorithm>
#include <cstdio>
#include "text/Charset.h"
#include "text/SjisEncoder.h"

namespace {

const char* const kFamilies[] = {u8"佐藤", u8"鈴木", u8"高橋", u8"田中", u8"伊藤", u8"渡辺", u8"山本",
                                 u8"中村", u8"小林", u8"加藤", u8"吉田", u8"山田", u8"佐々木", u8"山口"};
const char* const kGivens[] = {u8"太郎", u8"花子", u8"健", u8"美咲", u8"蓮", u8"陽菜", u8"翔太",
                               u8"結衣", u8"大翔", u8"さくら", u8"一郎", u8"恵", u8"直樹", u8"由美子"};
const char* const kReadings[] = {u8"ｻﾄｳ", u8"ｽｽﾞｷ", u8"ﾀｶﾊｼ", u8"ﾀﾅｶ", u8"ｲﾄｳ", u8"ﾜﾀﾅﾍﾞ", u8"ﾔﾏﾓﾄ",
                                 u8"ﾅｶﾑﾗ", u8"ｺﾊﾞﾔｼ", u8"ｶﾄｳ", u8"ﾖｼﾀﾞ", u8"ﾔﾏﾀﾞ", u8"ｻｻｷ", u8"ﾔﾏｸﾞﾁ"};
const char* const kGroups[] = {u8"友人", u8"家族", u8"仕事", u8"取引先", u8"学校", u8"サークル", u8"近所", u8"その他"};

template <size_t N>
const char* Pick(const char* const (&list)[N], int i)
{
    return list[static_cast<size_t>(i) % N];
}

std::string Sjis(const std::string& utf8)
{
    CSjisEncoder encoder;
    return encoder.Encode(utf8);
}

// Quoted-printable as phones write it: every byte of Shift-JIS text as "=XX", lines cut
// with a soft line break before 76 characters.
std::string QuotedPrintable(const std::string& bytes, size_t headLength)
{
    static const char kHex[] = "0123456789ABCDEF";
    std::string out;
    size_t column = headLength;
    for (char c : bytes) {
        unsigned char b = static_cast<unsigned char>(c);
        bool plain = b >= 0x21 && b <= 0x7E && b != '=' && b != ';';
        if (column + (plain ? 1 : 3) > 75) {
            out += "=\r\n";
            column = 0;
        }
        if (plain) {
            out += c;
            ++column;
        } else {
            out += '=';
            out += kHex[b >> 4];
            out += kHex[b & 15];
            column += 3;
        }
    }
    return out;
}

void QpProperty(std::string& out, const std::string& head, const std::string& sjis)
{
    std::string line = head + ";CHARSET=SHIFT_JIS;ENCODING=QUOTED-PRINTABLE:";
    out += line + QuotedPrintable(sjis, line.size()) + "\r\n";
}

// A JPEG's worth of base64, folded as version 2.1 folds it.
const std::string& PhotoLines()
{
    static const std::string lines = [] {
        std::string text;
        const char kDigits[] = "ABCDEFGHIJKLMNOPQRSTUVWXYZabcdefghijklmnopqrstuvwxyz0123456789+/";
        unsigned seed = 12345;
        for (int line = 0; line < 30; ++line) {
            text += ' ';
            for (int i = 0; i < 76; ++i) {
                seed = seed * 1103515245u + 12345u;
                text += kDigits[(seed >> 16) & 63];
            }
            text += "\r\n";
        }
        return text + "\r\n";
    }();
    return lines;
}

Contact PersonOf(int i, const std::string& domain, bool secondAddress)
{
    Contact contact;
    contact.name = std::string(Pick(kFamilies, i)) + " " + Pick(kGivens, i / 14) + std::to_string(i);
    contact.addresses.push_back("user" + std::to_string(i) + "@" + domain);
    if (secondAddress)
        contact.addresses.push_back("u" + std::to_string(i) + "@mobile.example.ne.jp");
    contact.folders.push_back(Pick(kGroups, i / 7));
    return contact;
}

std::string CsvField(const std::string& text)
{
    return "\"" + text + "\"";
}

}  // namespace

ImportShape PhoneVCardShape(int count)
{
    ImportShape shape{"a phone's vCard 2.1 (Shift-JIS quoted-printable, photos)", "", {}};
    std::string& out = shape.bytes;
    for (int i = 0; i < count; ++i) {
        Contact contact = PersonOf(i, "docomo.example.ne.jp", i % 3 == 0);
        std::string number = std::to_string(i);
        std::string family = Pick(kFamilies, i);
        std::string given = std::string(Pick(kGivens, i / 14)) + number;
        out += "BEGIN:VCARD\r\nVERSION:2.1\r\n";
        QpProperty(out, "N", Sjis(family + ";" + given + ";;;"));
        QpProperty(out, "SOUND;X-IRMC-N", Sjis(std::string(Pick(kReadings, i)) + u8";ﾀﾛｳ;;;"));
        QpProperty(out, "FN", Sjis(contact.name));
        out += "TEL;CELL;VOICE:090-" + std::to_string(1000 + i % 9000) + "-" + std::to_string(2000 + i % 7000) + "\r\n";
        out += "TEL;HOME;VOICE:03-3" + std::to_string(100 + i % 900) + "-" + std::to_string(4000 + i % 5000) + "\r\n";
        out += "EMAIL;INTERNET;PREF:" + contact.addresses[0] + "\r\n";
        if (contact.addresses.size() > 1)
            out += "EMAIL;INTERNET:" + contact.addresses[1] + "\r\n";
        if (i % 3 == 0)
            QpProperty(out, "ADR;HOME", Sjis(u8";;東京都千代田区丸の内1-" + number + u8"-1 ビル" + number + u8"階;;;100-0005;日本"));
        if (i % 4 == 0)
            QpProperty(out, "NOTE", Sjis(u8"大学の同級生。毎年の年賀状を忘れずに。連絡は携帯のメールへ。番号 " + number));
        QpProperty(out, "X-GN", Sjis(contact.folders[0]));
        if (i % 2 == 0)
            out += "BDAY:1980" + std::string(i % 12 < 9 ? "0" : "") + std::to_string(i % 12 + 1) + "15\r\n";
        out += "X-CLASS:PUBLIC\r\nX-REDUCTION:\r\nX-NO:\r\nX-DCM-HMN-MODE:\r\n";
        if (i % 10 == 0)
            out += "PHOTO;ENCODING=BASE64;TYPE=JPEG:\r\n" + PhotoLines();
        out += "END:VCARD\r\n";
        shape.contacts.push_back(std::move(contact));
    }
    return shape;
}

ImportShape GoogleCsvShape(int count)
{
    ImportShape shape{"Google's CSV (UTF-8, labels, 36 columns)", "", {}};
    std::string& out = shape.bytes;
    out += "First Name,Middle Name,Last Name,Phonetic First Name,Phonetic Middle Name,Phonetic Last Name,"
           "Name Prefix,Name Suffix,Nickname,File As,Organization Name,Organization Title,Organization Department,"
           "Birthday,Notes,Photo,Labels,E-mail 1 - Label,E-mail 1 - Value,E-mail 2 - Label,E-mail 2 - Value,"
           "Phone 1 - Label,Phone 1 - Value,Phone 2 - Label,Phone 2 - Value,Address 1 - Label,Address 1 - Formatted,"
           "Address 1 - Street,Address 1 - City,Address 1 - PO Box,Address 1 - Region,Address 1 - Postal Code,"
           "Address 1 - Country,Address 1 - Extended Address,Website 1 - Label,Website 1 - Value\r\n";
    for (int i = 0; i < count; ++i) {
        Contact contact = PersonOf(i, "gmail.example.com", i % 3 == 0);
        std::string number = std::to_string(i);
        std::string given = std::string(Pick(kGivens, i / 14)) + number;
        out += given + ",," + Pick(kFamilies, i) + u8",たろう,,やまだ,,,,,";
        out += i % 4 == 0 ? u8"株式会社ベルモラ,営業,東京支店," : ",,,";
        out += "1980-01-15,";
        out += i % 6 == 0 ? u8"\"メモ: 大学の同級生, 連絡はメールで\"," : ",";
        out += i % 5 == 0 ? "https://lh3.googleusercontent.com/contacts/photo" + number + "," : ",";
        out += contact.folders[0] + " ::: * myContacts" + std::string(i % 10 == 0 ? " ::: * starred" : "") + ",";
        out += "* Home," + contact.addresses[0] + ",";
        out += contact.addresses.size() > 1 ? "Work," + contact.addresses[1] + "," : ",,";
        out += "Mobile,090-" + std::to_string(1000 + i % 9000) + "-0000,,,";
        out += u8"Home,\"東京都千代田区丸の内1-" + number + u8"\n100-0005\n日本\",丸の内1-" + number +
               u8",千代田区,,東京都,100-0005,日本,,";
        out += i % 7 == 0 ? "Profile,https://example.com/" + number + "\r\n" : ",\r\n";
        shape.contacts.push_back(std::move(contact));
    }
    return shape;
}

ImportShape OutlookCsvShape(int count)
{
    ImportShape shape{"Japanese Outlook's CSV (Shift-JIS, quoted, 60 columns)", "", {}};
    const char* const header[] = {
        u8"敬称", u8"名", u8"ミドル ネーム", u8"姓", u8"敬称 (英語)", u8"会社", u8"部署", u8"役職",
        u8"番地 (会社)", u8"番地 2 (会社)", u8"番地 3 (会社)", u8"市町村 (会社)", u8"都道府県 (会社)", u8"郵便番号 (会社)",
        u8"国/地域 (会社)", u8"番地 (自宅)", u8"番地 2 (自宅)", u8"番地 3 (自宅)", u8"市町村 (自宅)", u8"都道府県 (自宅)",
        u8"郵便番号 (自宅)", u8"国/地域 (自宅)", u8"番地 (その他)", u8"市町村 (その他)", u8"郵便番号 (その他)",
        u8"アシスタントの電話", u8"会社 FAX", u8"会社電話", u8"会社電話 2", u8"コールバック", u8"自動車電話",
        u8"会社代表電話", u8"自宅 FAX", u8"自宅電話", u8"自宅電話 2", u8"ISDN", u8"携帯電話", u8"その他の FAX",
        u8"その他の電話", u8"ポケットベル", u8"通常の電話", u8"無線電話", u8"TTY/TDD 電話", u8"テレックス",
        u8"アカウント", u8"記念日", u8"アシスタント名", u8"請求先情報", u8"誕生日", u8"分類項目", u8"子供",
        u8"ディレクトリ サーバー", u8"電子メール アドレス", u8"電子メールの種類", u8"電子メール表示名",
        u8"電子メール 2 アドレス", u8"電子メール 2 の種類", u8"電子メール 2 表示名", u8"メモ", u8"Web ページ",
    };
    const size_t columns = sizeof header / sizeof header[0];
    auto column = [&](const char* name) {
        size_t i = 0;
        while (i < columns && std::string(header[i]) != name)
            ++i;
        return i;
    };
    std::string text;
    for (const char* name : header)
        text += (text.empty() ? "" : ",") + CsvField(name);
    text += "\r\n";
    std::vector<std::string> row(columns);
    for (int i = 0; i < count; ++i) {
        Contact contact = PersonOf(i, "example.co.jp", i % 3 == 0);
        std::string number = std::to_string(i);
        std::fill(row.begin(), row.end(), std::string());
        row[column(u8"名")] = std::string(Pick(kGivens, i / 14)) + number;
        row[column(u8"姓")] = Pick(kFamilies, i);
        if (i % 4 == 0) {
            row[column(u8"会社")] = u8"株式会社ベルモラ";
            row[column(u8"部署")] = u8"営業部";
            row[column(u8"役職")] = u8"課長";
        }
        row[column(u8"番地 (会社)")] = u8"丸の内1-" + number;
        row[column(u8"市町村 (会社)")] = u8"千代田区";
        row[column(u8"都道府県 (会社)")] = u8"東京都";
        row[column(u8"郵便番号 (会社)")] = "100-0005";
        row[column(u8"国/地域 (会社)")] = u8"日本";
        row[column(u8"会社電話")] = "03-3201-" + number;
        row[column(u8"携帯電話")] = "090-1234-" + number;
        row[column(u8"記念日")] = "0/0/00";
        row[column(u8"誕生日")] = "0/0/00";
        row[column(u8"分類項目")] = contact.folders[0];
        row[column(u8"電子メール アドレス")] = contact.addresses[0];
        row[column(u8"電子メールの種類")] = "SMTP";
        row[column(u8"電子メール表示名")] = contact.name + " (" + contact.addresses[0] + ")";
        if (contact.addresses.size() > 1) {
            row[column(u8"電子メール 2 アドレス")] = contact.addresses[1];
            row[column(u8"電子メール 2 の種類")] = "SMTP";
            row[column(u8"電子メール 2 表示名")] = contact.addresses[1];
        }
        if (i % 6 == 0)
            row[column(u8"メモ")] = u8"大学の同級生";
        for (size_t k = 0; k < columns; ++k)
            text += (k ? "," : "") + CsvField(row[k]);
        text += "\r\n";
        shape.contacts.push_back(std::move(contact));
    }
    shape.bytes = Sjis(text);
    return shape;
}
