// Identifiers of the program's resources.
#pragma once

// String table: the language texts, a language L owning identifiers L + offset.
#define IDS_LANGUAGE_NAME 0
#define IDS_VERSION_WORD 1

// The "Exclusions" dialog.
#define IDD_EXCLUSIONS 100
#define IDC_EXCLUSION_LIST 101
#define IDC_EXCLUSION_REMOVE 102
