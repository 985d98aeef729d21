/* Resource ids of the pictures, icons and outline built into the program. Plain macros,
   so that the resource compiler can read them too. */
#ifndef QV_ASSET_IDS_H
#define QV_ASSET_IDS_H

/* The lowest icon id is the one the shell shows for the executable. */
#define IDI_MAIN 1
#define IDI_TRAY 2

#define IDB_CHARACTER 101
#define IDB_ABOUT 102
#define IDB_MINIMIZE 103
#define IDB_CLOSE 104
#define IDB_RECORD 105
#define IDB_PLAY 106
#define IDB_STOP 107
#define IDB_SAVE_DISK 108
#define IDB_LOAD_DISK 109
#define IDB_LOGO 110

/* RCDATA: the stored outline (Mask2) of the character picture. */
#define IDR_CHARACTER_MASK2 201

#endif
