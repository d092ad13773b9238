#pragma once

// Dialog templates and their controls; shared by the resource script and
// the dialog classes.
#define IDD_PROGRESS 102
#define IDC_PROGRESS_BAR 1004
#define IDC_PROGRESS_FILE 2000
#define IDC_PROGRESS_ABORT 2001
