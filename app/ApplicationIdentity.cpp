#include "ApplicationIdentity.h"

#include "Version.h"

#include <QCoreApplication>

void setApplicationIdentity()
{
    QCoreApplication::setOrganizationName(QStringLiteral("rzm530"));
    QCoreApplication::setApplicationName(QStringLiteral(RZM_INTERNAL_NAME));
    QCoreApplication::setApplicationVersion(QStringLiteral(RZM_VERSION_STRING));
}
