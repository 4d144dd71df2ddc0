// The settings file's text read as the platform reads it: random files (sections and keys
// in any case, blanks, quotes, comments, repeated names, Shift-JIS whose second byte is "]")
// and random changes, each value compared with what GetPrivateProfileStringA finds.
#include <gtest/gtest.h>
#include <windows.h>
#include <random>
#include <string>
#include "TestFiles.h"
#include "books/IniText.h"

namespace {

const char* const kSections[] = {"AddressBook", "addressbook", "config", "\x83\x5D\x83\x5D"};
const char* const kKeys[] = {"num", "NUM", "book0_name", "left"};
const char* const kValues[] = {"1", "  2  ", "\"quoted\"", "'single'", "\"open", "友達", "a=b", ""};

std::string Platform(const std::string& file, const char* section, const char* key)
{
    char value[256];
    DWORD length = GetPrivateProfileStringA(section, key, "(missing)", value, sizeof value, file.c_str());
    return std::string(value, length);
}

std::string Ours(const CIniText& ini, const char* section, const char* key)
{
    std::string value;
    return ini.Find(section, key, value) ? value : "(missing)";
}

TEST(IniTextTest, ValuesReadAsThePlatformReadsThem)
{
    std::string folder = NewTestFolder();
    std::mt19937 random(20261208);
    auto pick = [&](auto& list) { return list[random() % (sizeof list / sizeof list[0])]; };
    for (int round = 0; round < 40; ++round) {
        std::string text;
        for (int line = random() % 12; line > 0; --line) {
            switch (random() % 4) {
            case 0: text += std::string(random() % 2 ? " [" : "[") + pick(kSections) + "]\r\n"; break;
            case 1: text += "; " + std::string(pick(kKeys)) + "=comment\r\n"; break;
            default: text += std::string(pick(kKeys)) + (random() % 2 ? " = " : "=") + pick(kValues) + "\r\n"; break;
            }
        }
        CIniText ini(text);
        for (int change = random() % 4; change > 0; --change) {
            if (random() % 3)
                ini.Set(pick(kSections), pick(kKeys), pick(kValues));
            else
                ini.Remove(pick(kSections), pick(kKeys));
        }
        // A file of its own each round: the platform keeps read files in a cache.
        std::string file = folder + "s" + std::to_string(round) + ".ini";
        WriteFileBytes(file, ini.Text());
        for (const char* section : kSections) {
            for (const char* key : kKeys)
                EXPECT_EQ(Platform(file, section, key), Ours(ini, section, key))
                    << "[" << section << "] " << key << " in\n" << ini.Text();
        }
    }
    RemoveTestFolder(folder);
}

}  // namespace
