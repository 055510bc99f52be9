// The program's icon, drawn by the program: successive time levels of a
// heat profile decaying between two fixed ends, over a grid.
#pragma once

#include <QImage>

QImage paintOrvalendIcon(int size);
