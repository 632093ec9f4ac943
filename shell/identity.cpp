// SPDX-License-Identifier: MIT
#include "identity.h"

#include "letterfold_version.h"

#include <QGuiApplication>

namespace shell {

void setApplicationIdentity()
{
    QGuiApplication::setApplicationName(QString::fromLatin1(letterfold::kName));
    QGuiApplication::setApplicationVersion(QString::fromLatin1(letterfold::kVersion));
    QGuiApplication::setOrganizationName(QStringLiteral("Brantwell Inc."));
    QGuiApplication::setDesktopFileName(QStringLiteral("letterfold"));
}

} // namespace shell
