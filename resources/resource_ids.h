#pragma once
// Resource ids shared by Tarvex.rc and the code.
#define IDI_TARVEX 1
#define IDB_IMAGELIST32 101
#define IDB_IMAGELIST16_LEFTMENU 102
#define IDB_IMAGELIST16_PROGRESS 103
