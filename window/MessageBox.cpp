#include "MessageBox.h"

#include <QMessageBox>

namespace {

int openBoxes = 0;

struct OpenBox {
    OpenBox() { ++openBoxes; }
    ~OpenBox() { --openBoxes; }
    OpenBox(const OpenBox &) = delete;
    OpenBox &operator=(const OpenBox &) = delete;
};

} // namespace

bool testerMessageOpen()
{
    return openBoxes > 0;
}

void showTesterMessage(QWidget *owner, const QString &text, const QString &details)
{
    QMessageBox box(QMessageBox::NoIcon, QString::fromLatin1(TesterTitle), text, QMessageBox::Ok,
                    owner);
    box.setObjectName(QStringLiteral("testerMessage"));
    box.setInformativeText(details);
    const OpenBox open;
    box.exec();
}
