// The temporary menu command ids that plug-ins get from EDA_GetTempID, and the plug-in
// command number behind each, so that WM_COMMAND can be routed to EDH_OnCmdProc.
#pragma once
#include <windows.h>
#include <vector>

class CTempIdTable {
public:
    // Above every command id of the host's own menus and controls; WM_COMMAND carries 16 bits.
    static constexpr UINT kFirstId = 40000;
    static constexpr UINT kLastId = 49999;

    // The id for the plug-in's command number; the same one each time it is asked again
    // (menus are rebuilt before every showing). 0 once the range is used up.
    UINT Acquire(HINSTANCE hPlugin, int nCommand);

    // The command number behind id; false for ids that were not handed out.
    bool Lookup(UINT id, int* pnCommand) const;

    size_t Count() const { return m_entries.size(); }

private:
    struct Entry {
        HINSTANCE hPlugin;
        int nCommand;
    };
    std::vector<Entry> m_entries;  // index i holds id kFirstId + i
};
