#pragma once

// Dialog templates and their controls; shared by the resource script and
// the dialog classes.
#define IDD_PROGRESS 102
#define IDC_PROGRESS_BAR 1004
#define IDC_PROGRESS_FILE 2000
#define IDC_PROGRESS_ABORT 2001

#define IDD_CORRECT 20159
#define IDC_CORRECT_DCM 8059
#define IDC_CORRECT_FOLDER 8060
#define IDC_BROWSE_DCM 244
#define IDC_BROWSE_FOLDER 245
