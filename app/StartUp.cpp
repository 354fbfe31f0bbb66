#include "StartUp.h"

#include "frmMain.h"

#include <QTimer>

void startUp(frmMain &window)
{
    window.Form_Load();
    window.show();
    // Runs an earlier session could not upload go up now, once the window is on the screen.
    QTimer::singleShot(0, &window, [&window] { window.syncHistory(); });
}
