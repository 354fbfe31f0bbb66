#include "StartUp.h"

#include "HistorySettings.h"
#include "frmMain.h"

#include <QTimer>

void startUp(frmMain &window)
{
    window.Form_Load();
    window.show();
    // Runs an earlier session could not upload go up now, once the window is on the screen.
    // Without a server nothing waits to go up, and the tools stay unloaded.
    if (!HistorySettings::load().server.isEmpty())
        QTimer::singleShot(0, &window, [&window] { window.syncHistory(); });
}
