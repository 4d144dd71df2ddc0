#include "store/IniPath.h"

char g_szIniPath[kIniPathSize];
