#pragma once
// Command and window ids the framework itself defines, with the original values
// (menus, tool bars and accelerators of the system use them as they stand).
#include "platform/base/WinTypes.h"

constexpr UINT ID_FILE_NEW = 0xE100;          // 57600
constexpr UINT ID_FILE_OPEN = 0xE101;         // 57601
constexpr UINT ID_FILE_CLOSE = 0xE102;        // 57602
constexpr UINT ID_FILE_SAVE = 0xE103;         // 57603
constexpr UINT ID_FILE_SAVE_AS = 0xE104;      // 57604
constexpr UINT ID_FILE_PAGE_SETUP = 0xE105;   // 57605
constexpr UINT ID_FILE_PRINT_SETUP = 0xE106;  // 57606
constexpr UINT ID_FILE_PRINT = 0xE107;        // 57607
constexpr UINT ID_FILE_PRINT_DIRECT = 0xE108; // 57608
constexpr UINT ID_FILE_PRINT_PREVIEW = 0xE109;// 57609
constexpr UINT ID_EDIT_UNDO = 0xE12B;
constexpr UINT ID_EDIT_CUT = 0xE123;
constexpr UINT ID_EDIT_COPY = 0xE122;
constexpr UINT ID_EDIT_PASTE = 0xE125;
constexpr UINT ID_WINDOW_NEW = 0xE130;        // 57648
constexpr UINT ID_WINDOW_ARRANGE = 0xE131;    // 57649
constexpr UINT ID_WINDOW_CASCADE = 0xE132;    // 57650
constexpr UINT ID_WINDOW_TILE_HORZ = 0xE133;  // 57651
constexpr UINT ID_WINDOW_TILE_VERT = 0xE134;
constexpr UINT ID_NEXT_PANE = 0xE150;
constexpr UINT ID_PREV_PANE = 0xE151;
constexpr UINT ID_APP_ABOUT = 0xE140;         // 57664
constexpr UINT ID_APP_EXIT = 0xE141;          // 57665
constexpr UINT ID_VIEW_TOOLBAR = 0xE800;      // 59392
constexpr UINT ID_VIEW_STATUS_BAR = 0xE801;   // 59393

constexpr UINT AFX_IDW_STATUS_BAR = 0xE801;
constexpr UINT AFX_IDW_PANE_FIRST = 0xE900;   // the view inside a frame

// Frame style: the frame's title shows the active document's title.
constexpr DWORD FWS_ADDTOTITLE = 0x00008000;
