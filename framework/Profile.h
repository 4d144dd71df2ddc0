// Private-profile (INI) access that reads values whole, however long.
#pragma once
#include <string>

std::string ReadProfileString(const char* section, const char* key, const char* file);
