// The command-line options of edmax.exe.
#include <gtest/gtest.h>
#include <string>
#include <vector>
#include "edmax/HostOptions.h"

namespace {
bool Parse(std::vector<std::string> args, CHostOptions* pOptions, std::string* pError)
{
    std::vector<char*> argv{const_cast<char*>("edmax.exe")};
    for (std::string& arg : args)
        argv.push_back(&arg[0]);
    return pOptions->Parse(static_cast<int>(argv.size()), argv.data(), pError);
}
}  // namespace

TEST(HostOptions, Defaults)
{
    CHostOptions options;
    std::string error;
    ASSERT_TRUE(Parse({}, &options, &error));
    EXPECT_EQ(options.m_nOpenMode, CHostOptions::kNoOpen);
    EXPECT_EQ(options.m_nQuitAfterMs, 0u);
}

TEST(HostOptions, AllOptions)
{
    CHostOptions options;
    std::string error;
    ASSERT_TRUE(Parse({"/open=2", "-quit-after=1500", "/to=a@x.jp,b@y.jp", "/cc=", "/bcc=c@z.jp",
                       "/replyto=r@x.jp", "/subject=件名です", "/body=一行目\\n二行目"},
                      &options, &error))
        << error;
    EXPECT_EQ(options.m_nOpenMode, 2);
    EXPECT_EQ(options.m_nQuitAfterMs, 1500u);
    EXPECT_EQ(options.m_sTo, "a@x.jp,b@y.jp");
    EXPECT_EQ(options.m_sCc, "");
    EXPECT_EQ(options.m_sBcc, "c@z.jp");
    EXPECT_EQ(options.m_sReplyTo, "r@x.jp");
    EXPECT_EQ(options.m_sSubject, "件名です");
    EXPECT_EQ(options.m_sBody, "一行目\r\n二行目");
}

TEST(HostOptions, RejectsBadOptions)
{
    for (const char* bad : {"/open=5", "/open=", "/open=x", "/quit-after=-1", "/to", "/unknown=1",
                            "plain"}) {
        CHostOptions options;
        std::string error;
        EXPECT_FALSE(Parse({bad}, &options, &error)) << bad;
        EXPECT_FALSE(error.empty()) << bad;
    }
}

TEST(HostOptions, Help)
{
    CHostOptions options;
    std::string error;
    ASSERT_TRUE(Parse({"/?"}, &options, &error));
    EXPECT_TRUE(options.m_bHelp);
}

// A scene needs its ready file and a name the stand-in knows; the two come together.
TEST(HostOptions, SceneGoesWithItsReadyFile)
{
    CHostOptions options;
    std::string error;
    ASSERT_TRUE(Parse({"/scene=menu", "/ready=C:\\shot.txt"}, &options, &error)) << error;
    EXPECT_EQ(options.m_sScene, "menu");
    EXPECT_EQ(options.m_sReadyFile, "C:\\shot.txt");

    for (std::vector<std::string> bad : {std::vector<std::string>{"/scene=menu"}, {"/ready=C:\\shot.txt"},
                                         {"/scene=men", "/ready=x"}, {"/scene=pick browse", "/ready=x"}}) {
        CHostOptions rejected;
        EXPECT_FALSE(Parse(bad, &rejected, &error)) << bad[0];
    }
}
