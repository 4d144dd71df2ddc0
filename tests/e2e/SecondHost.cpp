// A second host process for the end-to-end tests: it loads the plug-in already placed in a
// folder (the same module and settings as the test's own host), registers its pointed
// address under a name (adding a new local book in the window when one is given) and
// unloads, which saves the books.
//   e2e_second_host.exe <folder with velmora.dll, without a closing "\"> <address> <name> [<book> <file>]
#include <windows.h>
#include <string>
#include "FakeHost.h"
#include "PointedRegistration.h"

int main(int argc, char** argv)
{
    if (argc != 4 && argc != 6)
        return 2;
    HMODULE plugin = LoadLibraryA((std::string(argv[1]) + "\\velmora.dll").c_str());
    if (!plugin)
        return 3;
    auto onCommand = reinterpret_cast<int(__cdecl*)(void*, int)>(
        reinterpret_cast<void*>(GetProcAddress(plugin, "EDH_OnCmdProc")));
    if (!onCommand)
        return 4;
    FakeHost::Current().pointedAddress = argv[2];
    NewBook book = {argc == 6 ? argv[4] : "", argc == 6 ? argv[5] : ""};
    RegisterPointedAddress([&](int command) { return onCommand(nullptr, command); }, argv[3],
                           argc == 6 ? &book : nullptr);
    FreeLibrary(plugin);
    return 0;
}
