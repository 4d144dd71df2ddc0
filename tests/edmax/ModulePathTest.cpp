// The folder of a Shift-JIS path, where a second byte may be a backslash.
#include <gtest/gtest.h>
#include "edmax/ModulePath.h"

TEST(ModulePath, FolderOfPlainPath)
{
    EXPECT_EQ(FolderOfPath("C:\\EdMax\\edmax.exe"), "C:\\EdMax");
    EXPECT_EQ(FolderOfPath("C:\\edmax.exe"), "C:");
    EXPECT_EQ(FolderOfPath("edmax.exe"), "");
}

TEST(ModulePath, SecondByteBackslashIsNotASeparator)
{
    // 表 and ソ end in 0x5C in Shift-JIS.
    ASSERT_EQ(std::string("表").size(), 2u);
    ASSERT_EQ(std::string("表")[1], '\\');
    EXPECT_EQ(FolderOfPath("C:\\表\\edmax.exe"), "C:\\表");
    EXPECT_EQ(FolderOfPath("C:\\ソフト\\表"), "C:\\ソフト");
    EXPECT_EQ(FolderOfPath("D:\\メール\\ソ"), "D:\\メール");
}

TEST(ModulePath, ExecutableFolderHoldsTheProgram)
{
    std::string folder = ExecutableFolder();
    ASSERT_FALSE(folder.empty());
    EXPECT_NE(folder.back(), '\\');
}
