// The plug-in information record that the host hands over with its information event
// and the plug-in fills in. The host owns it; the offsets are fixed.
#pragma once
#include <cstddef>
#include "VelmoraVersion.h"

struct PLUGIN_INFO {
    int nTag;
    char szName[100];
    char szVersion[100];
    char szDate[100];
    char szAuthor[100];
    char szMail[100];
    char szUrl[100];
    char szDescription[10240];
    char szExtra1[100];
    char szExtra2[10240];
    char szExtra3[100];
    char szExtra4[100];
    char szExtra5[1];  // the host guarantees at least the terminator here
};

static_assert(offsetof(PLUGIN_INFO, szName) == 4, "record layout");
static_assert(offsetof(PLUGIN_INFO, szVersion) == 104, "record layout");
static_assert(offsetof(PLUGIN_INFO, szDate) == 204, "record layout");
static_assert(offsetof(PLUGIN_INFO, szAuthor) == 304, "record layout");
static_assert(offsetof(PLUGIN_INFO, szMail) == 404, "record layout");
static_assert(offsetof(PLUGIN_INFO, szUrl) == 504, "record layout");
static_assert(offsetof(PLUGIN_INFO, szDescription) == 604, "record layout");
static_assert(offsetof(PLUGIN_INFO, szExtra1) == 10844, "record layout");
static_assert(offsetof(PLUGIN_INFO, szExtra2) == 10944, "record layout");
static_assert(offsetof(PLUGIN_INFO, szExtra3) == 21184, "record layout");
static_assert(offsetof(PLUGIN_INFO, szExtra4) == 21284, "record layout");
static_assert(offsetof(PLUGIN_INFO, szExtra5) == 21384, "record layout");

// What the plug-in says about itself.
namespace PluginAbout {
const char kName[] = "Velmora";
const char kVersion[] = "Ver" VELMORA_VERSION_TEXT;
const char kDate[] = "2007/06/05";
const char kAuthor[] = "Velmora 開発チーム";
const char kMail[] = "velmora-dev@example.jp";
const char kUrl[] = VELMORA_HOME_URL;
const char kDescription[] =
    "EdMaxのアドレス帳を拡張し、AL-MAIL形式のアドレスデータをサポートします。\n"
    "※ただし、EdMaxのアドレス帳関連機能の全てをカバーしている訳ではありませんのでご注意ください。";
}  // namespace PluginAbout
