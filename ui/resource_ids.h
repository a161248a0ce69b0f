// Identifiers of the program's resources.
#pragma once

// String table: the language texts. A language with number L owns the identifiers from L on
// (L + offset); the offsets below are the same in every language. The blocks are 1000 apart.
#define IDS_LANGUAGE_NAME 0
#define IDS_VERSION_WORD 1

// The main window's buttons, check box, column headers and system menu entry.
#define IDS_ANALYSE 2
#define IDS_STOP 3
#define IDS_FIX 4
#define IDS_MAKE_BACKUP 5
#define IDS_RESTORE 6
#define IDS_SAVE_LOG 7
#define IDS_COLUMN_PROBLEM 8
#define IDS_COLUMN_DATA 9
#define IDS_COLUMN_KEY 10
#define IDS_SYSTEM_MENU_LANGUAGE 11
// The link labels' hints; %1 is the address.
#define IDS_HINT_SITE 12
#define IDS_HINT_SUGGEST 13
#define IDS_HINT_MAIL 14

// The live line beside "Fix": %1 the category, %2 the issues found so far.
#define IDS_LIVE_SCANNING 15
#define IDS_ISSUE_FOUND 16
#define IDS_ISSUES_FOUND 17
#define IDS_FOUND_EXCLUDED 18
#define IDS_LIVE_STOPPED 19
#define IDS_LIVE_FIXING 20

// Message boxes of the main window.
#define IDS_TITLE_ERROR 21
#define IDS_TITLE_INFORMATION 22
#define IDS_NO_ISSUES_SELECTED 23
#define IDS_NOT_FIXED_ONE 25
#define IDS_NOT_FIXED_MANY 26
#define IDS_CLIPBOARD_BUSY 27
#define IDS_CLIPBOARD_MEMORY 28
#define IDS_CLIPBOARD_FAILED 29
#define IDS_REGEDIT_LAST_KEY 30
#define IDS_REGEDIT_START 31
#define IDS_LOCATION_UNREACHABLE 32

// The save dialog of the log.
#define IDS_SAVE_LOG_TITLE 33
#define IDS_SAVE_LOG_FILTER 34

// The issue list's context menu.
#define IDS_MENU_OPEN_REGEDIT 35
#define IDS_MENU_OPEN_LOCATION 36
#define IDS_MENU_COPY 37
#define IDS_MENU_EXCLUDE 38
#define IDS_MENU_TICK_ALL 39
#define IDS_MENU_UNTICK_ALL 40
#define IDS_MENU_EXCLUSIONS 41

// The category tree: IDS_CATEGORY + the category's Id (0 is the root, "All").
#define IDS_CATEGORY 50

// The problem texts the issue list shows, in the order of the scanners.
#define IDS_PROBLEM_SHARED_DLL 70
#define IDS_PROBLEM_FILE_EXTENSION 71
#define IDS_PROBLEM_COM 72
#define IDS_PROBLEM_OPEN_WITH 73
#define IDS_PROBLEM_APPLICATION_PATH 74
#define IDS_PROBLEM_SOFTWARE_KEY 75
#define IDS_PROBLEM_FONT 76
#define IDS_PROBLEM_HELP_FILE 77
#define IDS_PROBLEM_INSTALLER 78
#define IDS_PROBLEM_UNINSTALLER 79
#define IDS_PROBLEM_RUN 80
#define IDS_PROBLEM_TYPE_LIBRARY 81
#define IDS_PROBLEM_MUI 82
#define IDS_PROBLEM_SHELL_EXTENSION 83
#define IDS_PROBLEM_SOUND_EVENT 84
#define IDS_PROBLEM_START_MENU 85
#define IDS_PROBLEM_DESKTOP 86
#define IDS_PROBLEM_MISSING_ICON 87
#define IDS_PROBLEM_INTERFACE 88
#define IDS_PROBLEM_REMOVED_UNINSTALL 89
#define IDS_PROBLEM_REMOVED_SOFTWARE 90
// What a dependent finding hangs on, after its problem text.
#define IDS_BECAUSE_CLASS 91
#define IDS_BECAUSE_TYPE_LIBRARY 92
#define IDS_BECAUSE_PROGRAM_ID 93
#define IDS_BECAUSE_LEFT_EMPTY 94
#define IDS_BECAUSE_UNINSTALL_ENTRY 95

// The "Exclusions" dialog; IDS_CLOSE is every dialog's Close button.
#define IDS_EXCLUSIONS_CAPTION 100
#define IDS_EXCLUSIONS_LABEL 101
#define IDS_EXCLUSIONS_REMOVE 102
#define IDS_CLOSE 103

// The "Restore..." dialog.
#define IDS_RESTORE_CAPTION 110
#define IDS_RESTORE_TITLE 111
#define IDS_RESTORE_FOLDER 112
#define IDS_RESTORE_COLUMN_WHEN 113
#define IDS_RESTORE_COLUMN_KEYS 114
#define IDS_RESTORE_COLUMN_VALUES 115
#define IDS_RESTORE_COLUMN_FILES 116
#define IDS_RESTORE_COLUMN_FILE 117
#define IDS_RESTORE_BUTTON 118
#define IDS_RESTORE_UNREADABLE 119
#define IDS_RESTORE_CHOOSE 120
#define IDS_RESTORE_CANNOT_READ 121
#define IDS_RESTORE_QUESTION 122
#define IDS_RESTORE_SUMMARY 123
#define IDS_RESTORE_NOT_RESTORED 124
#define IDS_RESTORE_MORE 125
#define IDS_RESTORE_FAILED 126

// After a stop and after a fix.
#define IDS_STOPPED_IN 127
#define IDS_LEFT_ONE 128
#define IDS_LEFT_MANY 129
#define IDS_SHUTDOWN_REASON 130

// The restore dialog while it works, and its question about entries that changed.
#define IDS_RESTORE_READING 132
#define IDS_RESTORE_NO_BACKUPS 133
#define IDS_RESTORE_RESTORING 134
#define IDS_RESTORE_FILES_UNREADABLE 135
#define IDS_RESTORE_CONFLICT_ONE 136
#define IDS_RESTORE_CONFLICT_MANY 137

// After a fix: dependent findings kept with a key they depend on.
#define IDS_KEPT_ONE 138
#define IDS_KEPT_MANY 139
#define IDS_KEPT_ENTRY 140

// Why a finding is reported: the list's menu entry, the evidence window's title, each kind's
// certainty, the tree's counts with inferred findings, and the words of the evidence.
#define IDS_MENU_WHY 200
#define IDS_WHY_TITLE 201
#define IDS_CERTAINTY_DIRECT 202
#define IDS_CERTAINTY_INFERRED 203
#define IDS_COUNT_INFERRED 204
#define IDS_EVIDENCE_LINE 205
#define IDS_EVIDENCE_EXPANDED 206
#define IDS_TESTED_FIRST 210
#define IDS_ANSWER_FIRST 220
// The question before the fix, and what the live line says after it.
#define IDS_FIX_TITLE 141
#define IDS_FIX_ONE 142
#define IDS_FIX_MANY_IN_ONE 143
#define IDS_FIX_MANY 144
#define IDS_FIX_HIDDEN_IT 145
#define IDS_FIX_HIDDEN_ONE 146
#define IDS_FIX_HIDDEN_MANY 147
#define IDS_FIX_BACKUP 148
#define IDS_FIX_NO_BACKUP 149
#define IDS_FIX_NOTHING_TICKED 150
#define IDS_FIX_DONE_ONE 151
#define IDS_FIX_DONE_MANY 152

// The restore's one question about entries that changed since the backup, each with what it
// holds now and in the backup; the list after a restore; opening a backup from anywhere.
#define IDS_RESTORE_CONFLICT_ENTRY 153
#define IDS_RESTORE_NOT_THERE 154
#define IDS_RESTORE_KEY_OTHERS 155
#define IDS_RESTORE_KEY_DELETED 156
#define IDS_LIST_CLEARED 157
#define IDS_RESTORE_BROWSE 158
#define IDS_RESTORE_OPEN_TITLE 159
#define IDS_RESTORE_OPEN_FILTER 160
#define IDS_RESTORE_OVERWRITE_ONE 161
#define IDS_RESTORE_OVERWRITE_MANY 162

// The language blocks.
#define LANG_BLOCK_ENGLISH 0
#define LANG_BLOCK_GERMAN 1000
#define LANG_BLOCK_FRENCH 2000
#define LANG_BLOCK_SPANISH 3000
#define LANG_BLOCK_ITALIAN 4000
#define LANG_BLOCK_PORTUGUESE_BRAZIL 5000
#define LANG_BLOCK_POLISH 6000
#define LANG_BLOCK_RUSSIAN 7000
#define LANG_BLOCK_JAPANESE 8000
#define LANG_BLOCK_CHINESE_SIMPLIFIED 9000

// The program's icon.
#define IDI_MENDRAKE 1

// The "Exclusions" dialog.
#define IDD_EXCLUSIONS 100
#define IDC_EXCLUSION_LIST 101
#define IDC_EXCLUSION_REMOVE 102
#define IDC_EXCLUSION_LABEL 103
