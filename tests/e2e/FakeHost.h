// The host side of the end-to-end tests: this test program exports the 47 EDA_ functions
// that the plug-in resolves from the host's executable, and records every call.
#pragma once
#include <windows.h>
#include <array>
#include <string>
#include <vector>

namespace FakeHost {

struct State {
    std::vector<std::string> calls;                    // "EDA_GetTempID(35000)" ...
    std::array<const char*, 4> headers{};              // what EDA_GetCurAdrInfo hands out (null = none)
    std::vector<std::array<std::string, 4>> received;  // every EDA_SetCurAdrInfo
    const char* pointedAddress = nullptr;              // EDA_GetPointedMailAdr
    std::vector<char*> buffersOut;                     // handed out and not yet released
    HINSTANCE tempIdOwner = nullptr;                   // the instance EDA_GetTempID last saw
};

State& Current();
void Reset();

// The temporary menu id that the fake host gives a plug-in command.
UINT TempIdFor(int command);

}  // namespace FakeHost
