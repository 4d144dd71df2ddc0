// What the update reads before and after it talks to a server: a book's URL (RFC 4516 for
// directories, file URLs and paths), a directory entry's names and folders, and the
// WebDAV answers of a CardDAV server. Each table holds hand-written cases and what they
// must give.
#include <gtest/gtest.h>
#include <string>
#include <vector>
#include "remote/BookUrl.h"
#include "remote/DavXml.h"
#include "remote/DirectoryEntry.h"
#include "remote/ProxyChoice.h"

namespace {

std::string Describe(const BookUrl& url)
{
    const char* schemes[] = {"unknown", "ldap", "ldaps", "http", "https", "file"};
    std::string text = std::string(schemes[static_cast<int>(url.scheme)]) + " " + url.host + ":" +
                       std::to_string(url.port) + " " + url.path;
    if (url.IsDirectory()) {
        const char* scopes[] = {"base", "one", "sub"};
        text += "[" + url.baseDn + "|";
        for (const std::string& attribute : url.attributes)
            text += attribute + ",";
        text += std::string("|") + scopes[static_cast<int>(url.scope)] + "|" + url.filter + "]";
    }
    return text;
}

TEST(BookUrlTest, ParsesEveryFormAndRefusesWhatCannotBeUsed)
{
    struct Case {
        const char* url;
        const char* expected;
    } cases[] = {
        {"ldap://dir.example.com/dc=example,dc=com", "ldap dir.example.com:389 [dc=example,dc=com||sub|(mail=*)]"},
        {"LDAPS://Dir.Example.com:1636/", "ldaps dir.example.com:1636 [||sub|(mail=*)]"},
        {"ldap://h/ou=%E5%96%B6%E6%A5%AD,dc=x?cn,mail?one?(objectClass=person)",
         u8"ldap h:389 [ou=営業,dc=x|cn,mail,|one|(objectClass=person)]"},
        {u8"ldap://h/ou=本社,dc=x??base?uid=a", u8"ldap h:389 [ou=本社,dc=x||base|(uid=a)]"},
        {"ldap://h/dc=x??" "?(cn=a%29b)?e-bindname=x", "ldap h:389 [dc=x||sub|(cn=a)b)]"},
        {"ldap://[::1]:3389/dc=x", "ldap ::1:3389 [dc=x||sub|(mail=*)]"},
        {"http://dav.example.com/addressbooks/office/", "http dav.example.com:80 /addressbooks/office/"},
        {"https://dav.example.com:8443", "https dav.example.com:8443 /"},
        {"https://h/book.vcf?x=1#part", "https h:443 /book.vcf?x=1"},
        {"file:///C:/Shared/office.adr", "file :0 C:\\Shared\\office.adr"},
        {"file://localhost/D|/a%20b.adr", "file :0 D:\\a b.adr"},
        {"file://server/share/office.adr", "file :0 \\\\server\\share\\office.adr"},
        {"\\\\server\\share\\office.adr", "file :0 \\\\server\\share\\office.adr"},
        {"  C:\\Users\\taro\\book.csv ", "file :0 C:\\Users\\taro\\book.csv"},
        // Refused: unknown schemes, credentials in the URL, broken parts.
        {"gopher://h/book", "unknown :0 "},
        {"http://taro:secret@h/book", "unknown :0 "},
        {"ldap://h:99999/dc=x", "unknown :0 "},
        {"ldap://h/dc=x?cn?deep", "unknown :0 "},
        {"ldap://h/dc=x??" "?" "?!e-bindname=x", "unknown :0 "},
        {"ldap://h/dc=%zz", "unknown :0 "},
        {"ldap://h/dc=x??sub?(cn=a%00)(mail=*)", "unknown :0 "},
        {"file:///C:/a%00.adr", "unknown :0 "},
        {"http:/h/book", "unknown :0 "},
        {"ldaps://h::1]:636/dc=x", "unknown :0 "},
        {"http://[::1%25eth0]/", "unknown :0 "},
        {"http://h x/", "unknown :0 "},
        {"file://server", "unknown :0 "},
        {"book.adr", "unknown :0 "},
        {"", "unknown :0 "},
    };
    for (const Case& c : cases) {
        std::string reason;
        BookUrl url = ParseBookUrl(c.url, &reason);
        EXPECT_EQ(c.expected, Describe(url)) << c.url;
        EXPECT_EQ(url.scheme == BookScheme::Unknown, !reason.empty()) << c.url;
    }
    EXPECT_EQ("ldaps://dir.example.com:636", ParseBookUrl("ldaps://Dir.example.com/dc=x").Origin());
    EXPECT_EQ("[::1]:80", ParseBookUrl("http://[::1]/").HostPort());
    // A NUL in the text itself would cut what is handed on as well.
    EXPECT_EQ(BookScheme::Unknown, ParseBookUrl(std::string("C:\\a\0b.adr", 10)).scheme);
    EXPECT_EQ(BookScheme::Unknown, ParseBookUrl(std::string("ldap://h/dc=x\0", 14)).scheme);
    // A message that shows a refused URL never shows the password in it.
    EXPECT_EQ("http://taro:***@h/book", UrlWithoutPassword("http://taro:s3cr@t@h/book"));
    EXPECT_EQ("ldaps://taro@h:636/dc=x?mail", UrlWithoutPassword("ldaps://taro@h:636/dc=x?mail"));
    EXPECT_EQ("https://h/a:b@c", UrlWithoutPassword("https://h/a:b@c"));
}

TEST(DirectoryEntryTest, NamesAndFoldersOfEntries)
{
    struct Case {
        const char* dn;
        const char* base;
        const char* folders;  // joined by "/"
    } cases[] = {
        {"uid=a,ou=Sales,ou=Tokyo,dc=example,dc=com", "dc=example,dc=com", "Tokyo/Sales"},
        {"uid=a,OU=Sales, OU=Tokyo , DC=Example,DC=com", "dc=example, dc=com", "Tokyo/Sales"},
        {"uid=a,ou=Sales,ou=Tokyo,dc=example,dc=com", "ou=Tokyo,dc=example,dc=com", "Sales"},
        {"uid=a,dc=example,dc=com", "dc=example,dc=com", ""},
        {"cn=Team,ou=Sales,dc=x", "dc=x", "Sales"},  // the entry's own RDN is no folder
        {"uid=a,cn=Users,ou=R\\2CD,dc=x", "dc=x", "R,D"},
        {"uid=a,ou=\\E5\\96\\B6\\E6\\A5\\AD+l=x,dc=x", "dc=x", u8"営業"},
        {"uid=a,ou=\"a,b\",dc=x", "dc=x", "a,b"},
        {"uid=a,ou=Sales,dc=other", "dc=x", ""},  // not below the base
        {"uid=a,ou=Sales,dc=x", "", "Sales"},
        {"broken", "dc=x", ""},
    };
    for (const Case& c : cases) {
        std::string joined;
        for (const std::string& folder : FoldersBelow(c.dn, c.base))
            joined += (joined.empty() ? "" : "/") + folder;
        EXPECT_EQ(c.folders, joined) << c.dn << " under " << c.base;
    }

    DirectoryEntry entry;
    entry.dn = "uid=taro,ou=Sales,dc=x";
    entry.commonNames = {"Taro Yamada"};
    entry.displayNames = {" ", u8"山田 太郎"};
    entry.mails = {"taro@x.jp", " ", "yamada@x.jp"};
    std::vector<Contact> contacts = ContactsOfEntry(entry, "dc=x");
    ASSERT_EQ(2u, contacts.size());
    EXPECT_EQ(u8"山田 太郎", contacts[0].name);
    EXPECT_EQ(std::vector<std::string>{"yamada@x.jp"}, contacts[1].addresses);
    EXPECT_EQ(std::vector<std::string>{"Sales"}, contacts[1].folders);
    entry.displayNames.clear();
    EXPECT_EQ("Taro Yamada", ContactsOfEntry(entry, "dc=x")[0].name);
    entry.commonNames.clear();
    EXPECT_EQ("taro", ContactsOfEntry(entry, "dc=x")[0].name);  // the RDN's value at least
    entry.mails.clear();
    EXPECT_TRUE(ContactsOfEntry(entry, "dc=x").empty());
}

TEST(DavXmlTest, ReadsResourceTypesAndCardsWhateverThePrefixes)
{
    bool collection = false;
    bool book = false;
    ASSERT_EQ(DavXml::Outcome::Read, DavXml::ReadResourceType(
        "<?xml version='1.0'?><multistatus xmlns='DAV:' xmlns:CR='urn:ietf:params:xml:ns:carddav'><response>"
        "<propstat><prop><resourcetype><collection/><CR:addressbook /></resourcetype></prop></propstat>"
        "</response></multistatus>",
        collection, book));
    EXPECT_TRUE(collection && book);
    ASSERT_EQ(DavXml::Outcome::Read, DavXml::ReadResourceType(
        "<d:multistatus xmlns:d=\"DAV:\"><d:response><d:propstat><d:prop><d:resourcetype><d:collection/>"
        "</d:resourcetype><x:addressbook xmlns:x=\"urn:ietf:params:xml:ns:carddav\"/></d:prop></d:propstat>"
        "</d:response></d:multistatus>",
        collection, book));
    EXPECT_TRUE(collection);
    EXPECT_FALSE(book) << "an addressbook element outside resourcetype says nothing";
    ASSERT_EQ(DavXml::Outcome::Read, DavXml::ReadResourceType("<D:multistatus xmlns:D='DAV:'><D:resourcetype/></D:multistatus>", collection, book));
    EXPECT_FALSE(collection || book);

    std::vector<std::string> cards;
    ASSERT_EQ(DavXml::Outcome::Read, DavXml::ReadAddressData(
        "<?xml version=\"1.0\" encoding=\"utf-8\"?>\n<!-- answer -->\n"
        "<D:multistatus xmlns:D=\"DAV:\" xmlns:C=\"urn:ietf:params:xml:ns:carddav\">"
        "<D:response><D:propstat><D:prop><C:address-data>BEGIN:VCARD\r\nFN:A &amp; B &#x5C71;&#23665;\r\nEND:VCARD\r\n"
        "</C:address-data></D:prop></D:propstat></D:response>"
        "<D:response><D:propstat><D:prop><C:address-data><![CDATA[BEGIN:VCARD\r\nFN:<C>\r\nEND:VCARD]]></C:address-data>"
        "</D:prop></D:propstat></D:response>"
        "<D:response><D:status>HTTP/1.1 404 Not Found</D:status><D:propstat><D:prop><C:address-data/></D:prop>"
        "</D:propstat></D:response></D:multistatus>",
        cards));
    ASSERT_EQ(2u, cards.size());
    EXPECT_EQ(u8"BEGIN:VCARD\r\nFN:A & B 山山\r\nEND:VCARD\r\n", cards[0]);
    EXPECT_EQ("BEGIN:VCARD\r\nFN:<C>\r\nEND:VCARD", cards[1]);

    // Not well-formed, or with a document type (whose entities are never expanded).
    const char* broken[] = {
        "",
        "<a>",
        "<a></b>",
        "<a/><b/>",
        "text<a/>",
        "<a>&unknown;</a>",
        "<a>&#0;</a>",
        "<a x='1></a>",
        "<!DOCTYPE a [<!ENTITY e 'x'>]><a>&e;</a>",
        "<D:multistatus xmlns:D='DAV:'><D:response><D:href>/book/a.vcf",
    };
    for (const char* xml : broken) {
        EXPECT_EQ(DavXml::Outcome::Malformed, DavXml::ReadAddressData(xml, cards)) << xml;
        EXPECT_EQ(DavXml::Outcome::Malformed, DavXml::ReadResourceType(xml, collection, book)) << xml;
    }
}

TEST(DavXmlTest, OnlyAMultistatusIsAnAnswerAndTheWorkIsBounded)
{
    bool collection = false;
    bool book = false;
    std::vector<std::string> cards;
    // Well-formed, but no multistatus: a sign-in page in XHTML, an error document.
    for (const char* xml : {"<html xmlns='http://www.w3.org/1999/xhtml'><body>Sign in</body></html>",
                            "<D:error xmlns:D='DAV:'><D:need-privileges/></D:error>"}) {
        EXPECT_EQ(DavXml::Outcome::NotMultistatus, DavXml::ReadAddressData(xml, cards)) << xml;
        EXPECT_EQ(DavXml::Outcome::NotMultistatus, DavXml::ReadResourceType(xml, collection, book)) << xml;
    }
    EXPECT_EQ(DavXml::Outcome::Read, DavXml::ReadAddressData("<multistatus xmlns='DAV:'/>", cards));
    EXPECT_TRUE(cards.empty()) << "an empty collection is a valid, empty answer";

    // Nesting: as deep as the limit reads, one level more does not, and 100,000 levels
    // are refused without walking them (each one declaring a prefix, which every later
    // element would otherwise look up through all of them).
    auto nested = [](int depth) {
        std::string xml = "<D:multistatus xmlns:D='DAV:'>";
        for (int i = 1; i < depth; ++i)
            xml += "<p" + std::to_string(i % 7) + ":x xmlns:p" + std::to_string(i % 7) + "='urn:" + std::to_string(i) + "'>";
        for (int i = depth - 1; i >= 1; --i)
            xml += "</p" + std::to_string(i % 7) + ":x>";
        return xml + "</D:multistatus>";
    };
    EXPECT_EQ(DavXml::Outcome::Read, DavXml::ReadAddressData(nested(DavXml::kMaxDepth), cards));
    EXPECT_EQ(DavXml::Outcome::Malformed, DavXml::ReadAddressData(nested(DavXml::kMaxDepth + 1), cards));
    EXPECT_EQ(DavXml::Outcome::Malformed, DavXml::ReadResourceType(nested(100000), collection, book));

    // A cancel is seen while a long answer is read.
    std::string many = "<D:multistatus xmlns:D='DAV:'>";
    for (int i = 0; i < 5000; ++i)
        many += "<D:response><D:href>/a</D:href></D:response>";
    many += "</D:multistatus>";
    int asked = 0;
    EXPECT_EQ(DavXml::Outcome::Cancelled, DavXml::ReadAddressData(many, cards, [&asked]() { return ++asked > 3; }));
    EXPECT_EQ(4, asked);
    EXPECT_EQ(DavXml::Outcome::Read, DavXml::ReadAddressData(many, cards, []() { return false; }));
}

}  // namespace

TEST(ProxyChoiceTest, HttpsTakesItsOwnEntryOrTheCommonOneAndTheBypassList)
{
    struct Case {
        const char* proxies;
        const char* bypass;
        const char* host;
        const char* chosen;  // "" for a direct connection
    } cases[] = {
        {"", "", "dav.example.com", ""},
        {"proxy:3128", "", "dav.example.com", "proxy:3128"},
        {"Proxy.Corp", "", "dav.example.com", "proxy.corp:80"},
        {"http://proxy:8080/", "", "dav.example.com", "proxy:8080"},
        {"http=web:80;https=secure:443", "", "dav.example.com", "secure:443"},
        {"http=web:80 ftp=f:21", "", "dav.example.com", ""},  // no entry for https
        {"proxy:1 HTTPS=secure:2", "", "dav.example.com", "secure:2"},
        {"https=[::1]:8080", "", "dav.example.com", "[::1]:8080"},
        {"https=bad:port;proxy:3", "", "dav.example.com", "proxy:3"},
        {"proxy:3128", "", "localhost", ""},
        {"proxy:3128", "", "127.0.0.1", ""},
        {"proxy:3128", "", "::1", ""},
        {"proxy:3128", "<local>", "intranet", ""},
        {"proxy:3128", "<local>", "dav.example.com", "proxy:3128"},
        {"proxy:3128", "*.Example.com; 10.*", "dav.example.com", ""},
        {"proxy:3128", "*.example.com", "example.com", "proxy:3128"},
        {"proxy:3128", "10.*,other", "10.1.2.3", ""},
        {"proxy:3128", "https://dav.example.com:443", "dav.example.com", ""},
        {"proxy:3128", "http://dav.example.com", "dav.example.com", "proxy:3128"},
        {"proxy:3128", "dav.example.com", "dav.example.com.evil", "proxy:3128"},
        {"proxy:3128", "*a*b", "xaxxb", ""},
    };
    for (const Case& each : cases) {
        ProxyServer chosen = ChooseHttpsProxy(ProxySetting{each.proxies, each.bypass}, each.host);
        EXPECT_EQ(each.chosen, chosen.IsNamed() ? chosen.HostPort() : std::string())
            << each.proxies << " | " << each.bypass << " | " << each.host;
    }
}
