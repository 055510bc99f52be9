// Start-up of the program, shared by main() and the tests that drive the
// whole program.
#pragma once

// Name, version, icon and Qt's own French texts (context menus of the fields,
// buttons of standard boxes). The program speaks French whatever the system
// language, so the French texts are loaded always; false if they are not
// installed (the program then runs with Qt's English ones).
bool setUpApplication();

// Tells ModGeneral how to create every window of the program.
void registerWindows();
