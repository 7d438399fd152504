#pragma once

// Control, menu and resource ids, shared by the code and the .rc file.
// Plain #defines so that windres can read this header too.

#define IDI_APP 1

#define ID_CHECK1_0 1000 /* Check1(0..4) */
#define ID_TEXT1_0 1010  /* Text1(0..5) */
#define ID_LABDAY_0 1020 /* Labday(0..2) */
#define ID_CMDOK_0 1030  /* Cmdok(0..1) */
#define ID_FRAME1_0 1040 /* Frame1(0..1) */
#define ID_LABAPP 1050
#define ID_LABEL1 1051

#define ID_MNWALL_0 2000 /* mnwall(0..10) */

#define APP_VERSION_MAJOR 1
#define APP_VERSION_MINOR 82

// Window class of the main window; the single-instance guard and the
// end-to-end driver look for it.
#define APP_WINDOW_CLASS L"Frmmain"
