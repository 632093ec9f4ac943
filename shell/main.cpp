// SPDX-License-Identifier: MIT
#include "appearance.h"
#include "frmstep1.h"
#include "identity.h"

#include <QApplication>

int main(int argc, char **argv)
{
    QApplication app(argc, argv);
    shell::setApplicationIdentity();

    shell::registerFonts();
    QApplication::setWindowIcon(shell::applicationIcon());

    // The window wires Process to the conversion run over itself.
    frmStep1 window;
    window.show();
    return QApplication::exec();
}
