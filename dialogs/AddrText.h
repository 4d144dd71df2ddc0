// The two forms of an address node's text: stored, a comma-separated list ("a@x,b@y"), and
// shown in the address dialog, one address per line. The dialog turns the stored form into
// the shown one; its callers turn the dialog's answer back before they store it.
#pragma once
#include <string>

// Every "\r\n" becomes "," and then one trailing "," is dropped.
std::string ToStoredAddresses(const std::string& shown);

// Every half-width and full-width space is removed and every "," starts a new line ("\r\n").
// Walks whole Shift-JIS characters, so a trail byte is never taken for a space.
std::string ToShownAddresses(const std::string& stored);
