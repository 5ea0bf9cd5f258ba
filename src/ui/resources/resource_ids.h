// Identifiers of the resources compiled into the program (used by the .rc too).
#pragma once

#define IDI_APP 1     // the 128 x 128 window icon of every window
#define IDI_LOCK 2    // the 32 x 32 picture of the password dialogs
#define IDB_STATUS 3  // the three 12 x 13 state pictures: online, offline, pending
