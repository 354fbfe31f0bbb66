#pragma once

class frmMain;

// Opens the port, then shows the window: a port that cannot be opened is
// reported before the window appears.
void startUp(frmMain &window);
