// Resource ids of Morvex.exe, shared by the resource script and the code.
#pragma once

// Dialog templates
#define IDD_ABOUTBOX                100
#define IDD_MORVEX_DIALOG           102
#define IDD_DISABLE_AUTORUN_TAB     137
#define IDD_BY_DRIVE_TYPE_TAB       138
#define IDD_BY_DRIVE_LETTER_TAB     139

// Application icon and the about entry of the system menu
#define IDR_MAINFRAME               128
#define IDS_ABOUTBOX                101

// Bitmaps
#define IDB_RED_BALL                129
#define IDB_GREEN_BALL              130
#define IDB_GREY_BALL               131
#define IDB_BOTTOM_BANNER_FR        139
#define IDB_TOP_BANNER_DE           140
#define IDB_TOP_BANNER_EN           141
#define IDB_TOP_BANNER_FR           142
#define IDB_BOTTOM_BANNER_DE        143
#define IDB_BOTTOM_BANNER_EN        144
#define IDB_WARNING                 145
#define IDB_TICK                    147
#define IDB_RESOURCES               148

// Drive-type page: check box 1000 + i and ball 1013 + i belong to field i
#define IDC_RUN_AUTORUN_INF         1000
#define IDC_UNKNOWN_DRIVES          1001
#define IDC_REMOVABLE_DRIVES        1002
#define IDC_FIXED_DRIVES            1003
#define IDC_NETWORK_DRIVES          1004
#define IDC_CDROM_DRIVES            1005
#define IDC_RAM_DISKS               1006
#define IDC_SELECT_ALL              1008
#define IDC_BALL_RUN_AUTORUN_INF    1013
#define IDC_BALL_UNKNOWN_DRIVES     1014
#define IDC_BALL_REMOVABLE_DRIVES   1015
#define IDC_BALL_FIXED_DRIVES       1016
#define IDC_BALL_NETWORK_DRIVES     1017
#define IDC_BALL_CDROM_DRIVES       1018
#define IDC_BALL_RAM_DISKS          1019
#define IDC_DRIVE_TYPE_GROUP        1020
// The "i" beside a line that Group Policy or the MDM sets: 1040 + the switch's offset
#define IDC_MARK_RUN_AUTORUN_INF    1040
#define IDC_MARK_UNKNOWN_DRIVES     1041
#define IDC_MARK_REMOVABLE_DRIVES   1042
#define IDC_MARK_FIXED_DRIVES       1043
#define IDC_MARK_NETWORK_DRIVES     1044
#define IDC_MARK_CDROM_DRIVES       1045
#define IDC_MARK_RAM_DISKS          1046

// Drive-letter page
#define IDC_DRIVE_LETTERS           1007
#define IDC_DRIVE_LETTER_GROUP      1021
#define IDC_DRIVE_LETTER_LABEL      1022
#define IDC_MARK_DRIVE_LETTERS      1047

// Protection overview page
#define IDC_DISABLE_EVERYTHING      1009
#define IDC_LANGUAGE                1023
#define IDC_LANGUAGE_LABEL          1024
#define IDC_STATUS_PICTURE          1028
#define IDC_STATUS_TEXT             1029
#define IDC_EXPLANATION             1035
#define IDC_MANAGED_PICTURE         1036
#define IDC_MANAGED_TEXT            1037
#define IDC_MANAGED_DETAILS         1038

// Main dialog
#define IDC_TABS                    1025
#define IDC_TOP_BANNER              1026
#define IDC_RESOURCES_ICON          1032
#define IDC_BOTTOM_BANNER           1033

// About box
#define IDC_VERSION_LINE            1030
#define IDC_COPYRIGHT_LINE          1031

// System-menu commands (low four bits clear, as system commands require)
#define IDM_ABOUTBOX                0x0010
#define IDM_WEBSITE                 0x0020

#ifndef IDC_STATIC
#define IDC_STATIC                  (-1)
#endif
