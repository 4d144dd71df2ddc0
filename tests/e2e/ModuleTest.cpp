#include <gtest/gtest.h>
#include <cstring>
#include <string>
#include <utility>
#include <vector>
#include "BoxWatcher.h"
#include "FakeHost.h"
#include "PluginModule.h"
#include "VelmoraVersion.h"

namespace {

struct ModuleTest : ::testing::Test {
    std::string folder = NewTestFolder("");
    CPluginModule plugin{folder};

    void SetUp() override
    {
        FakeHost::Reset();
        ASSERT_TRUE(plugin.Load());
    }
    void TearDown() override
    {
        plugin.Unload();
        RemoveTestFolder(folder);
    }
};

std::string MenuText(HMENU menu, int position)
{
    char text[256] = "";
    GetMenuStringA(menu, position, text, sizeof text, MF_BYPOSITION);
    return text;
}

HMENU HostMenu(int items)
{
    HMENU menu = CreatePopupMenu();
    for (int i = 0; i < items; ++i)
        AppendMenuA(menu, MF_STRING, 100 + i, ("item" + std::to_string(i)).c_str());
    return menu;
}

// "id:text" of every item.
std::string Describe(HMENU menu)
{
    std::string out;
    for (int i = 0; i < GetMenuItemCount(menu); ++i)
        out += std::to_string(GetMenuItemID(menu, i)) + ":" + MenuText(menu, i) + "|";
    return out;
}

std::string Field(const std::vector<char>& record, size_t offset)
{
    return std::string(&record[offset]);
}

TEST_F(ModuleTest, DescriptionRecordIsFilledAtItsOffsets)
{
    const size_t kRecordSize = 21385;  // up to the terminator of the last field
    std::vector<char> record(kRecordSize + 64, '\xCC');
    EXPECT_EQ(0, plugin.Event(1000, 0, record.data()));

    int tag = 0;
    std::memcpy(&tag, record.data(), sizeof tag);
    EXPECT_EQ(10, tag);
    EXPECT_EQ("Velmora", Field(record, 4));
    EXPECT_EQ("Ver1.02", Field(record, 104));
    EXPECT_EQ("2007/06/05", Field(record, 204));
    for (size_t offset : {304u, 404u, 504u}) {
        EXPECT_FALSE(Field(record, offset).empty()) << offset;
        EXPECT_LT(Field(record, offset).size(), 100u) << offset;
    }
    EXPECT_NE(std::string::npos, Field(record, 404).find('@'));
    EXPECT_EQ("EdMaxのアドレス帳を拡張し、AL-MAIL形式のアドレスデータをサポートします。\n"
              "※ただし、EdMaxのアドレス帳関連機能の全てをカバーしている訳ではありませんのでご注意ください。",
              Field(record, 604));
    for (size_t offset : {10844u, 10944u, 21184u, 21284u, 21384u})
        EXPECT_EQ('\0', record[offset]) << offset;
    // Nothing is written past the record's last terminator.
    for (size_t i = kRecordSize; i < record.size(); ++i)
        ASSERT_EQ('\xCC', record[i]) << i;
}

TEST_F(ModuleTest, MenusGetTheSettingsAndRegisterItems)
{
    for (int kind : {3, 7}) {
        HMENU menu = HostMenu(5);
        EXPECT_EQ(1, plugin.Event(1001, kind, menu));
        EXPECT_EQ(6, GetMenuItemCount(menu));
        EXPECT_EQ(FakeHost::TempIdFor(35000), GetMenuItemID(menu, 5));
        EXPECT_EQ("Velmora の設定", MenuText(menu, 5));
        DestroyMenu(menu);
    }

    HMENU body = HostMenu(12);
    EXPECT_EQ(1, plugin.Event(1001, 9, body));
    EXPECT_EQ(12, GetMenuItemCount(body));
    EXPECT_EQ(FakeHost::TempIdFor(35001), GetMenuItemID(body, 9));
    EXPECT_EQ("　アドレス帳へ登録(&B)...*使用不可", MenuText(body, 9));
    EXPECT_EQ("item8", MenuText(body, 8));
    EXPECT_EQ("item10", MenuText(body, 10));
    DestroyMenu(body);

    HMENU address = HostMenu(5);
    EXPECT_EQ(1, plugin.Event(1001, 11, address));
    EXPECT_EQ(FakeHost::TempIdFor(35002), GetMenuItemID(address, 3));
    EXPECT_EQ("アドレス帳へ登録(&B)...*", MenuText(address, 3));
    EXPECT_EQ(5, GetMenuItemCount(address));
    DestroyMenu(address);

    EXPECT_EQ((std::vector<std::string>{"EDA_GetTempID(35000)", "EDA_GetTempID(35000)",
                                        "EDA_GetTempID(35001)", "EDA_GetTempID(35002)"}),
              FakeHost::Current().calls);
    EXPECT_EQ(plugin.Handle(), FakeHost::Current().tempIdOwner);

    HMENU other = HostMenu(12);
    std::string before = Describe(other);
    EXPECT_EQ(0, plugin.Event(1001, 4, other));
    EXPECT_EQ(before, Describe(other));
    DestroyMenu(other);
}

TEST_F(ModuleTest, OtherEventsAndCodesDoNothing)
{
    EXPECT_EQ(1, plugin.Event(1503, 5, nullptr));
    EXPECT_EQ(1, plugin.Event(1503, -1, nullptr));
    EXPECT_EQ(0, plugin.Event(1002, 0, nullptr));
    EXPECT_EQ(0, plugin.Event(0, 0, nullptr));
    EXPECT_EQ(0, plugin.Event(1000, 0, nullptr));
    CBoxWatcher watcher;
    plugin.Command(34999);
    plugin.Command(35003);
    EXPECT_TRUE(watcher.boxes.empty());
    EXPECT_TRUE(FakeHost::Current().calls.empty());
}

TEST_F(ModuleTest, SettingsAndUnavailableCommandsShowTheirBoxes)
{
    CBoxWatcher watcher(IDOK);
    EXPECT_EQ(IDOK, plugin.Command(35000));
    EXPECT_EQ(IDOK, plugin.Command(35001));
    ASSERT_EQ(2u, watcher.boxes.size());

    const SeenBox settings = watcher.boxes[0];
    EXPECT_EQ("特に設定する項目はありません", settings.text);
    EXPECT_EQ("Velmora - EdMax用アドレス帳拡張プラグイン", settings.caption);
    EXPECT_EQ("information", settings.icon);
    EXPECT_EQ("OK", settings.buttons);
    EXPECT_EQ(nullptr, settings.owner);

    const SeenBox unavailable = watcher.boxes[1];
    EXPECT_EQ("現在この機能は使用できません。\n編集画面のメールアドレスを左クリックして登録してください。", unavailable.text);
    EXPECT_EQ("", unavailable.icon);
    EXPECT_EQ("OK", unavailable.buttons);
    EXPECT_EQ(nullptr, unavailable.owner);

    // No caption of its own: the system's default caption.
    MessageBoxA(nullptr, "default caption", nullptr, MB_OK);
    ASSERT_EQ(3u, watcher.boxes.size());
    EXPECT_EQ(watcher.boxes[2].caption, unavailable.caption);
}

TEST(ModuleExports, OnlyTheTwoEntryPointsAreExported)
{
    std::string folder = NewTestFolder("");
    {
        CPluginModule plugin(folder);
        HMODULE image = LoadLibraryExA((folder + "velmora.dll").c_str(), nullptr, DONT_RESOLVE_DLL_REFERENCES);
        ASSERT_NE(nullptr, image);
        auto* base = reinterpret_cast<BYTE*>(image);
        auto* dos = reinterpret_cast<IMAGE_DOS_HEADER*>(base);
        auto* nt = reinterpret_cast<IMAGE_NT_HEADERS*>(base + dos->e_lfanew);
        const IMAGE_DATA_DIRECTORY& dir = nt->OptionalHeader.DataDirectory[IMAGE_DIRECTORY_ENTRY_EXPORT];
        auto* exports = reinterpret_cast<IMAGE_EXPORT_DIRECTORY*>(base + dir.VirtualAddress);
        auto* names = reinterpret_cast<DWORD*>(base + exports->AddressOfNames);
        std::vector<std::string> exported;
        for (DWORD i = 0; i < exports->NumberOfNames; ++i)
            exported.push_back(reinterpret_cast<const char*>(base + names[i]));
        EXPECT_EQ((std::vector<std::string>{"EDH_OnCmdProc", "EDH_OnHandleEvent"}), exported);
        FreeLibrary(image);
    }
    RemoveTestFolder(folder);
}

// What Windows shows in the file's properties: Japanese strings, code page 932, no company.
TEST_F(ModuleTest, VersionResourceCarriesTheVersionInJapanese)
{
    std::string path = plugin.Folder() + "velmora.dll";
    DWORD ignored = 0;
    std::vector<char> info(GetFileVersionInfoSizeA(path.c_str(), &ignored));
    ASSERT_FALSE(info.empty());
    ASSERT_TRUE(GetFileVersionInfoA(path.c_str(), 0, static_cast<DWORD>(info.size()), info.data()));
    auto query = [&](const std::string& key) -> std::pair<const char*, UINT> {
        void* value = nullptr;
        UINT size = 0;
        if (!VerQueryValueA(info.data(), key.c_str(), &value, &size))
            return {nullptr, 0};
        return {static_cast<const char*>(value), size};
    };

    auto fixed = reinterpret_cast<const VS_FIXEDFILEINFO*>(query("\\").first);
    ASSERT_NE(nullptr, fixed);
    EXPECT_EQ(static_cast<DWORD>(MAKELONG(VELMORA_VERSION_MINOR, VELMORA_VERSION_MAJOR)), fixed->dwFileVersionMS);
    EXPECT_EQ(fixed->dwFileVersionMS, fixed->dwProductVersionMS);
    auto translation = reinterpret_cast<const WORD*>(query("\\VarFileInfo\\Translation").first);
    ASSERT_NE(nullptr, translation);
    EXPECT_EQ(0x0411, translation[0]);
    EXPECT_EQ(932, translation[1]);

    auto text = [&](const char* name) {
        const char* value = query(std::string("\\StringFileInfo\\041103a4\\") + name).first;
        return value ? std::string(value) : std::string("(none)");
    };
    EXPECT_EQ("Velmora", text("ProductName"));
    EXPECT_EQ("Velmora - EdMax用アドレス帳拡張プラグイン", text("FileDescription"));
    EXPECT_EQ(VELMORA_VERSION_TEXT, text("FileVersion"));
    EXPECT_EQ(VELMORA_VERSION_TEXT, text("ProductVersion"));
    EXPECT_EQ("velmora.dll", text("OriginalFilename"));
    EXPECT_EQ(VELMORA_COPYRIGHT, text("LegalCopyright"));
    EXPECT_EQ("(none)", text("CompanyName"));
}

}  // namespace
