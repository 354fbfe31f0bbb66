#include "MSComm.h"
#include "TesterFont.h"
#include "Version.h"
#include "frmMain.h"

#include <QApplication>
#include <QIcon>

int main(int argc, char *argv[])
{
    QApplication app(argc, argv);
    QApplication::setApplicationName(QStringLiteral(RZM_INTERNAL_NAME));
    QApplication::setApplicationVersion(QStringLiteral(RZM_VERSION_STRING));
    QApplication::setWindowIcon(QIcon(QStringLiteral(":/rzm530.xpm")));
    QApplication::setFont(testerFont()); // the message boxes too

    MSComm comm;
    frmMain window(comm);
    window.Form_Load(); // a failing open shows its box before the window
    window.show();
    return app.exec();
}
