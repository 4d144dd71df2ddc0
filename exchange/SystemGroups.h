// Google's own contact groups, which its exports write beside the user's labels: every
// contact is in "myContacts", a starred one in "starred", and older accounts have
// "friends", "family" and "coworkers". They are no folders of the user's, so the readers
// pass them over wherever a file carries them (vCard CATEGORIES, the CSV Categories,
// Labels and Group Membership columns).
#pragma once
#include <string>

// A category name that is one of Google's groups as its vCard and CSV files write them:
// "myContacts", "starred", "friends", "family", "coworkers" (as written; a label the user
// named "Family" is the user's), or the older "My Contacts" and "Starred in Android".
bool IsGoogleSystemGroup(const std::string& name);

// A label of Google's Labels or Group Membership column: Google marks its own groups
// with "* " ("* myContacts", "* Friends"), which a user's label never has.
bool IsGoogleSystemLabel(const std::string& label);
