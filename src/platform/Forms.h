#pragma once

// A thin forms layer over Qt Widgets: windows and controls with geometry in
// twips, persistent drawing surfaces, events with mouse button and modifier
// codes, timers, the screen and the clipboard. The window and control handlers
// of the program are written against this layer only.

#include "FormsBase.h"     // IWYU pragma: export
#include "FormsControls.h" // IWYU pragma: export
#include "FormsForm.h"     // IWYU pragma: export
