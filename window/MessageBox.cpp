#include "MessageBox.h"

#include <QMessageBox>

void showTesterMessage(QWidget *owner, const QString &text, const QString &details)
{
    QMessageBox box(QMessageBox::NoIcon, QString::fromLatin1(TesterTitle), text, QMessageBox::Ok,
                    owner);
    box.setObjectName(QStringLiteral("testerMessage"));
    box.setInformativeText(details);
    box.exec();
}
