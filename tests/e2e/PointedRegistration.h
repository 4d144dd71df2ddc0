// Registers the host's pointed address under a name, as a user does: command 35002, the
// address dialog filled and confirmed, then the address book window that follows closed.
// When a book is given, the window first makes it a new local book with its file.
#pragma once
#include <functional>
#include <string>

struct NewBook {
    std::string name;
    std::string file;
};

// command runs one plug-in command (EDH_OnCmdProc); the fake host's pointed address must be
// set first.
void RegisterPointedAddress(const std::function<int(int)>& command, const char* name, const NewBook* book = nullptr);
