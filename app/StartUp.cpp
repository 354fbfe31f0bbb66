#include "StartUp.h"

#include "frmMain.h"

void startUp(frmMain &window)
{
    window.Form_Load();
    window.show();
}
