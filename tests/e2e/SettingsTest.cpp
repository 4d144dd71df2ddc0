#include <gtest/gtest.h>
#include <regex>
#include <string>
#include "BoxWatcher.h"
#include "FakeHost.h"
#include "PluginModule.h"

namespace {

const char kSection[] = "AddressBook";

struct SettingsTest : ::testing::Test {
    std::string folder;
    std::unique_ptr<CPluginModule> plugin;
    CBoxWatcher watcher{IDOK};

    void SetUp() override { Use(""); }
    void TearDown() override
    {
        plugin.reset();
        RemoveTestFolder(folder);
    }

    void Use(const std::string& name)
    {
        FakeHost::Reset();
        if (!folder.empty()) {
            plugin.reset();
            RemoveTestFolder(folder);
        }
        folder = NewTestFolder(name);
        plugin.reset(new CPluginModule(folder));
    }

    std::string Ini() const { return plugin->IniPath(); }
    std::string Value(const char* key) const { return IniValue(Ini(), kSection, key); }
    void Set(const char* key, const std::string& value)
    {
        WritePrivateProfileStringA(kSection, key, value.c_str(), Ini().c_str());
    }

    // Loads the plug-in and unloads it again, which saves the books.
    void LoadAndUnload()
    {
        ASSERT_TRUE(plugin->Load());
        plugin->Unload();
    }

    int AdrFileCount() const { return FileCountIn(folder, "*.adr"); }
};

void ExpectDefaultBook(const std::string& folder, const std::string& path)
{
    ASSERT_EQ(folder, path.substr(0, folder.size()));
    EXPECT_TRUE(std::regex_match(path.substr(folder.size()), std::regex("[0-9A-F]{8}\\.adr"))) << path;
    EXPECT_EQ("", ReadFileBytes(path));
}

TEST_F(SettingsTest, WithoutSettingsTheDefaultBookIsCreatedAndSaved)
{
    LoadAndUnload();
    EXPECT_EQ("1", Value("num"));
    EXPECT_EQ("local", Value("book0_type"));
    EXPECT_EQ("標準アドレス帳", Value("book0_name"));
    ExpectDefaultBook(folder, Value("book0_path"));
    EXPECT_TRUE(watcher.boxes.empty());

    // The next start reads it back as the one book.
    std::string path = Value("book0_path");
    LoadAndUnload();
    EXPECT_EQ("1", Value("num"));
    EXPECT_EQ(path, Value("book0_path"));
}

TEST_F(SettingsTest, NumZeroAlsoGivesTheDefaultBook)
{
    Set("num", "0");
    LoadAndUnload();
    EXPECT_EQ("1", Value("num"));
    ExpectDefaultBook(folder, Value("book0_path"));
}

TEST_F(SettingsTest, NegativeNumMeansNoBooks)
{
    Set("num", "-3");
    LoadAndUnload();
    EXPECT_EQ("0", Value("num"));
    EXPECT_EQ("(missing)", Value("book0_type"));
    EXPECT_EQ(0, AdrFileCount());
}

TEST_F(SettingsTest, MissingEntriesBecomeNamelessGlobalBooks)
{
    WriteFileBytes(folder + "a.adr", "");
    Set("num", "2");
    Set("book0_type", "local");
    Set("book0_name", "A");
    Set("book0_path", folder + "a.adr");
    LoadAndUnload();
    EXPECT_EQ("2", Value("num"));
    EXPECT_EQ("local", Value("book0_type"));
    EXPECT_EQ("global", Value("book1_type"));
    EXPECT_EQ("(missing)", Value("book1_name"));
    EXPECT_EQ("(missing)", Value("book1_path"));
}

TEST_F(SettingsTest, OnlyExactLowerCaseLocalIsALocalBook)
{
    Set("num", "2");
    Set("book0_type", "Local");
    Set("book0_name", "Shared");
    Set("book0_path", folder + "never-read.adr");
    Set("book1_type", "global");
    Set("book1_name", "社内");
    Set("book1_path", "http://example.jp/book");
    LoadAndUnload();
    EXPECT_TRUE(watcher.boxes.empty());  // a global book opens no file
    EXPECT_EQ("global", Value("book0_type"));
    EXPECT_EQ("Shared", Value("book0_name"));
    EXPECT_EQ(folder + "never-read.adr", Value("book0_path"));
    EXPECT_EQ("global", Value("book1_type"));
    EXPECT_EQ("http://example.jp/book", Value("book1_path"));
    EXPECT_FALSE(FileExists(folder + "never-read.adr"));
}

TEST_F(SettingsTest, AMissingBookFileIsReportedAndDropped)
{
    WriteFileBytes(folder + "b.adr", "Taro: taro@example.jp\n");
    Set("num", "2");
    Set("book0_type", "local");
    Set("book0_name", "Lost");
    Set("book0_path", folder + "lost.adr");
    Set("book1_type", "local");
    Set("book1_name", "B");
    Set("book1_path", folder + "b.adr");
    LoadAndUnload();

    ASSERT_EQ(1u, watcher.boxes.size());
    const SeenBox& box = watcher.boxes[0];
    EXPECT_EQ("アドレスブック[ Lost ]のファイル\n\n" + folder + "lost.adr\n\nを開く事ができません", box.text);
    EXPECT_EQ("error", box.icon);
    EXPECT_EQ(nullptr, box.owner);
    EXPECT_EQ("1", Value("num"));
    EXPECT_EQ("B", Value("book0_name"));
    EXPECT_EQ(folder + "b.adr", Value("book0_path"));
    EXPECT_EQ("B", Value("book1_name"));  // left from before, beyond "num"
    EXPECT_FALSE(FileExists(folder + "lost.adr"));
    EXPECT_EQ("Taro: taro@example.jp\n", ReadFileBytes(folder + "b.adr"));  // unchanged, not rewritten
}

TEST_F(SettingsTest, AReadOnlyBookLoadsAndIsLeftAlone)
{
    std::string path = folder + "ro.adr";
    WriteFileBytes(path, "Group G\nx: y\nEnd group\n");
    SetFileAttributesA(path.c_str(), FILE_ATTRIBUTE_READONLY);
    Set("num", "1");
    Set("book0_type", "local");
    Set("book0_name", "RO");
    Set("book0_path", path);
    LoadAndUnload();
    EXPECT_TRUE(watcher.boxes.empty());
    EXPECT_EQ("1", Value("num"));
    EXPECT_EQ("RO", Value("book0_name"));
    EXPECT_EQ("Group G\nx: y\nEnd group\n", ReadFileBytes(path));
}

TEST_F(SettingsTest, LongNamesAndPathsAreKeptWhole)
{
    std::string name(400, 'N');
    std::string url = "http://example.jp/" + std::string(600, 'u');
    Set("num", "1");
    Set("book0_type", "global");
    Set("book0_name", name);
    Set("book0_path", url);
    LoadAndUnload();
    EXPECT_EQ(name, Value("book0_name"));
    EXPECT_EQ(url, Value("book0_path"));
}

TEST_F(SettingsTest, AModuleInAJapaneseFolderFindsItsSettingsBesideIt)
{
    // 表 and ソ both end in the byte of "\"; the folder must not be split inside them.
    Use("表示ソフト");
    LoadAndUnload();
    ASSERT_TRUE(FileExists(folder + "velmora.ini"));
    EXPECT_EQ("1", Value("num"));
    ExpectDefaultBook(folder, Value("book0_path"));

    // A path of fewer characters than the system allows can still take more than 260
    // bytes once its Japanese characters are two bytes each. (Two folders: one name of so
    // many characters would be too long for the Linux file system under Wine.)
    std::string sixty;
    for (int i = 0; i < 60; ++i)
        sixty += "漢";
    Use(sixty);
    std::string deep = folder + sixty + "\\";
    ASSERT_TRUE(CreateDirectoryA(deep.c_str(), nullptr));
    plugin.reset(new CPluginModule(deep));
    ASSERT_GT(Ini().size(), 260u);
    LoadAndUnload();
    EXPECT_EQ("1", Value("num"));
    ExpectDefaultBook(deep, Value("book0_path"));
    plugin.reset();
    RemoveTestFolder(deep);
}

}  // namespace
