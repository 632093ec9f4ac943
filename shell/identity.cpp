// SPDX-License-Identifier: MIT
#include "identity.h"

#include <QGuiApplication>

namespace shell {

void setApplicationIdentity()
{
    QGuiApplication::setApplicationName(QStringLiteral("Letterfold"));
    QGuiApplication::setApplicationVersion(QStringLiteral(LETTERFOLD_VERSION));
    QGuiApplication::setOrganizationName(QStringLiteral("Brantwell Inc."));
    QGuiApplication::setDesktopFileName(QStringLiteral("letterfold"));
}

} // namespace shell
