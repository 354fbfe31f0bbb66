#pragma once

class frmMain;

// Opens the port, then shows the window: a port that cannot be opened is
// reported before the window appears. With a history server set, the runs
// that wait for it then go up, which loads the tools module; without one it
// stays unloaded.
void startUp(frmMain &window);
