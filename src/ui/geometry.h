// The window toolkit in one include, for the windows that still name this
// header: placement, colours, the typeface and the standard controls.
#pragma once

#include "ui/window_kit.h"
