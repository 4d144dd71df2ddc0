// The questions that completion's live search asks a server: the typed text escaped in the
// LDAP filter (RFC 4515) and in the CardDAV query's XML.
#include <gtest/gtest.h>
#include "remote/SearchQuery.h"

TEST(SearchQuery, TheTypedTextIsEscapedInTheFilterAndTheQuery)
{
    using namespace SearchQuery;
    EXPECT_EQ("a\\2a\\28\\29\\5cb", LdapEscape("a*()\\b"));
    EXPECT_EQ("(&(mail=*)(|(displayName=ya*)(displayName=* ya*)(cn=ya*)(cn=* ya*)(mail=ya*)(mail=*@ya*)))",
              LdapFilter("(mail=*)", "ya"));
    EXPECT_EQ(0u, LdapFilter("objectClass=person", "x").find("(&(objectClass=person)(|"));
    std::string query = CardDavQuery("<a&b>", 10);
    EXPECT_NE(std::string::npos, query.find("match-type=\"starts-with\">&lt;a&amp;b&gt;</C:text-match>"));
    EXPECT_NE(std::string::npos, query.find("<C:prop-filter name=\"EMAIL\">"));
    EXPECT_NE(std::string::npos, query.find("<C:nresults>10</C:nresults>"));
    EXPECT_EQ(std::string::npos, query.find("<a&b>"));
}
