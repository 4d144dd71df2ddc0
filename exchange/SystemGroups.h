// Google's own contact groups, which its exports write beside the user's labels: every
// contact is in "myContacts", a starred one in "starred", and older accounts have
// "friends", "family" and "coworkers". They are no folders of the user's, so the readers
// pass them over wherever a file carries them (vCard CATEGORIES, the CSV Categories,
// Labels and Group Membership columns).
#pragma once
#include <string>

#include <vector>

// Drops Google's groups from the folder paths of one categories value: "myContacts" and
// "starred" as Google writes them, the older "My Contacts" and "Starred in Android", and,
// beside myContacts (which Google gives every contact), "friends", "family" and "coworkers"
// (so a category "family" of another program stays a folder).
void RemoveGoogleSystemGroups(std::vector<std::vector<std::string>>& paths);

// A label of Google's Labels or Group Membership column: Google marks its own groups
// with "* " ("* myContacts", "* Friends"), which a user's label never has.
bool IsGoogleSystemLabel(const std::string& label);
