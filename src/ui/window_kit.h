// Everything a window needs to lay out its controls in their looks:
//   placement.h    place in pixels or twips
//   colours.h      the program's colours, setColors
//   typeface.h     the embedded face at a point size
//   controls.h     caption, field, value label, button, frame, option,
//                  check box, result list
//   number_text.h  the decimal mark and the core's strings
//   interval_sketch.h  the grid sketch of the study windows
//   study_controls.h   the fields and labels the study windows share
//   busy_cursor.h  the wait cursor over a long non-yielding run
//   keyboard.h     context-menu keys, drawings reached by Tab
#pragma once

#include "ui/busy_cursor.h"
#include "ui/colours.h"
#include "ui/controls.h"
#include "ui/interval_sketch.h"
#include "ui/keyboard.h"
#include "ui/number_text.h"
#include "ui/placement.h"
#include "ui/study_controls.h"
#include "ui/typeface.h"
