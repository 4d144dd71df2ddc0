// The module's process-wide objects, defined in one place so that they are constructed
// in this order when the module loads and destroyed in the reverse order when it unloads,
// after the application's exit step has saved the books.
#include "host/EdaTable.h"
#include "host/VelmoraApp.h"
#include "store/AddrBook.h"

CEdaTable g_EdaTable;
CAddrBook g_AddrBook;
CVelmoraApp theApp;
