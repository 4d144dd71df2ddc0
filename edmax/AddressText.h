// Conversions between the address header fields of the editing screen and the texts that
// cross the plug-in interface (EDA_GetCurAdrInfo / EDA_SetCurAdrInfo) or the command line.
//
// A header field is one line that shows its entries joined with ", ", as mailers show them.
// Plug-ins cut host texts at "," and line feeds but keep blanks, so the host hands a field out
// with each entry trimmed and the entries joined by "," alone. Texts coming in (the plug-in's
// To/CC/BCC are entries each followed by "\n", its ReplyTo entries joined by ",") are split at
// both and shown in the ", " form again.
#pragma once
#include <string>
#include <vector>

// The non-empty entries of an address text, each trimmed of blanks.
std::vector<std::string> SplitAddressEntries(const std::string& text);

// Entries joined for showing in a header field.
std::string JoinForField(const std::vector<std::string>& entries);

// An incoming address text in the form a header field shows.
std::string FieldTextFrom(const std::string& text);

// A header field's text in the form handed to plug-ins; empty when there is no entry.
std::string HostTextFromField(const std::string& field);
