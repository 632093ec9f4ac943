// SPDX-License-Identifier: MIT
#pragma once

#include <QFont>
#include <QIcon>
#include <QString>

// Fonts and icons of the window.
namespace shell {

// Registers the program's compiled-in resources (icons, Image1's picture).
// The shell is a static library, whose resources the linker would otherwise
// drop; safe to call any number of times.
void ensureResources();

// Makes the Tahoma face of the fonts-wine package available to the application
// when it is installed (bold is drawn by emboldening it). Without it, fonts that
// ask for Tahoma get the desktop's sans-serif face. Returns the number of faces
// added.
int registerFonts();

// A font as the window's controls ask for it: the family, size in points and
// weight, neither italic, underlined nor struck out, with sans-serif as the
// fallback when the family is missing.
[[nodiscard]] QFont controlFont(const QString &family, qreal pointSize,
                                QFont::Weight weight = QFont::Normal);

// The application icon in every size the resources hold (16 to 256 pixels).
[[nodiscard]] QIcon applicationIcon();

} // namespace shell
