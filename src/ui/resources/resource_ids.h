// Identifiers of the resources compiled into the program (used by the .rc too).
#pragma once

#define IDI_APP 1         // the window icon of every window, 16 to 256 pixels
#define IDI_LOCK 2        // the 32 x 32 picture of the password dialogs (also 48 and 64)
#define IDB_STATUS 3      // the three 12 x 13 state pictures: online, offline, pending
#define IDB_STATUS_150 4  // the same at 150% (18 x 20)
#define IDB_STATUS_200 5  // the same at 200% (24 x 26)
