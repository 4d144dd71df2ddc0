// Built into a host program that lacks one of the 47 host functions.
#include <gtest/gtest.h>
#include "BoxWatcher.h"
#include "PluginModule.h"

TEST(MissingHostFunction, ThePluginRefusesToLoadSilentlyAndWritesNothing)
{
    std::string folder = NewTestFolder("");
    {
        CBoxWatcher watcher;
        CPluginModule plugin(folder);
        EXPECT_FALSE(plugin.Load());
        EXPECT_TRUE(watcher.boxes.empty());
    }
    EXPECT_FALSE(FileExists(folder + "velmora.ini"));
    EXPECT_EQ(0, FileCountIn(folder, "*.adr"));
    RemoveTestFolder(folder);
}
