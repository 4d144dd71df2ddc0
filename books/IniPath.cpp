#include "books/IniPath.h"

char g_szIniPath[kIniPathSize];
