#pragma once

#include <exception>
#include <string>

// The correction behind the dialog's OK: takes the map out of the host's
// views (after asking), corrects it with every "*.mem" file of the folder
// while a progress dialog shows how far it has come, reports the count, and
// puts the map back into the views. Both paths come unchecked and may be
// empty; everything the user needs to know is told in message boxes.
// A failure that no step handles (memory running out, say) is told in a
// message box too, and the map still goes back into the views.
void RunCorrection(const char* dcmPath, const char* folderPath);

// The message for a failure that ended the command: our line, then the
// path and the system's own text for a failure of the map file, or the
// system's text for the failure where it has one.
std::string FailureMessage(const std::exception& error);
