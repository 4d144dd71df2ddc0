// Finds the mail address under the mouse pointer, or at the caret, in a multi-line edit
// control: the host's side of EDA_GetPointedMailAdr.
#pragma once
#include <windows.h>
#include <string>

// The address under pt (client coordinates of edit), or "" when the point is not on one.
std::string MailAddressUnderPoint(HWND hEdit, POINT pt);

// The address the caret is in or just behind, for a context menu opened from the keyboard.
std::string MailAddressAtCaret(HWND hEdit);
