# Checks that edmax.exe exports exactly the EDA_ functions a plug-in looks up, under their plain
# names (no leading underscore, no @n), and nothing else.
#   cmake -DOBJDUMP=<objdump> -DEXE=<edmax.exe> -P CheckExports.cmake
cmake_minimum_required(VERSION 3.25)
set(expected
  EDA_AppendMessage EDA_MakeLoginURLEncoding EDA_ReceiveArticleBbs EDA_GetWebDataEx
  EDA_ReleaseEdmaxBuffer EDA_DispMessageOnStatusBar EDA_WebLogin EDA_GetAindexFolderPath
  EDA_ListUpFiles EDA_ListUpAllFiles EDA_GetLayoutParam EDA_SetLayoutParam
  EDA_GetListColumnWidth EDA_SetListColumnWidth EDA_SetListColumnName EDA_GetCurrentCtxpath
  EDA_OpenTheUrl EDA_ConvUtf8ToSjis EDA_GetTempID EDA_GetPointedUrl EDA_GetPointedMailAdr
  EDA_GetPointedMessageId EDA_GetMessageCount EDA_GetNextMessagePath EDA_GetMessage
  EDA_ReplaceMessage EDA_ReDispListAndView EDA_SelectMessage EDA_CopyMessage EDA_MoveMessage
  EDA_DeleteMessage EDA_OpenAllThread EDA_CloseAllThread EDA_CompactCurrentFolder
  EDA_GetStaticWindows EDA_GetTempWindows EDA_RunMacro EDA_GetCurAdrInfo EDA_SetCurAdrInfo
  EDA_GetAttachPaths EDA_AppendAttachPaths EDA_DeleteAttachPath EDA_GetEditCount
  EDA_GetEditText EDA_SetEditText EDA_IsCommunicatingNow EDA_GetEdmaxVersion
)

execute_process(COMMAND ${OBJDUMP} -p ${EXE} OUTPUT_VARIABLE dump RESULT_VARIABLE failed)
if(failed)
  message(FATAL_ERROR "${OBJDUMP} -p ${EXE} failed")
endif()

# The name pointer table lists one export a line: "\t[   0] EDA_AppendAttachPaths". The lines
# become a list without their brackets, which CMake lists would not split inside.
string(REGEX MATCH "\\[Ordinal/Name Pointer\\] Table[^\n]*\n(([ \t]+\\[ *[0-9]+\\] [^\n]*\n)*)"
       table "${dump}")
string(REGEX REPLACE "[ \t]+\\[ *[0-9]+\\] ([^\n]*)\n" "\\1;" actual "${CMAKE_MATCH_1}")
list(REMOVE_ITEM actual "")

list(SORT expected)
list(SORT actual)
list(LENGTH expected expectedCount)
list(LENGTH actual actualCount)
if(NOT actual STREQUAL expected)
  set(missing ${expected})
  list(REMOVE_ITEM missing ${actual})
  set(extra ${actual})
  list(REMOVE_ITEM extra ${expected})
  message(FATAL_ERROR "exports differ (${actualCount} found, ${expectedCount} expected)\n"
                      "  missing: ${missing}\n  unexpected: ${extra}")
endif()
message(STATUS "${actualCount} exports, all EDA_ functions under their plain names")
