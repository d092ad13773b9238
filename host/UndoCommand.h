#pragma once

// The undo command: asks for an undo file (starting in the active view's
// map's folder) and the map it was made for, asks whether to restore it,
// takes the map out of the host's views, writes the saved blocks back with
// the progress dialog, tells the outcome and puts the map back.
void RunUndoCommand();
