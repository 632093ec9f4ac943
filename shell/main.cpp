// SPDX-License-Identifier: MIT
#include "appearance.h"
#include "frmstep1.h"

#include <QApplication>

int main(int argc, char **argv)
{
    QApplication app(argc, argv);
    QApplication::setApplicationName(QStringLiteral("Letterfold"));
    QApplication::setApplicationDisplayName(QStringLiteral("Brantwell Letterfold"));
    QApplication::setApplicationVersion(QStringLiteral(LETTERFOLD_VERSION));
    QApplication::setOrganizationName(QStringLiteral("Brantwell Inc."));
    QApplication::setDesktopFileName(QStringLiteral("letterfold"));

    shell::registerFonts();
    QApplication::setWindowIcon(shell::applicationIcon());

    frmStep1 window;
    window.show();
    return QApplication::exec();
}
