#pragma once

// The correction behind the dialog's OK: takes the map out of the host's
// views (after asking), corrects it with every "*.mem" file of the folder
// while a progress dialog shows how far it has come, reports the count, and
// puts the map back into the views. Both paths come unchecked and may be
// empty; everything the user needs to know is told in message boxes.
void RunCorrection(const char* dcmPath, const char* folderPath);
