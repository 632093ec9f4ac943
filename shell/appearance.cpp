// SPDX-License-Identifier: MIT
#include "appearance.h"

#include <QFile>
#include <QFontDatabase>

static void initLetterfoldResources()
{
    // Outside any namespace, as Q_INIT_RESOURCE requires.
    Q_INIT_RESOURCE(letterfold);
}

namespace shell {

void ensureResources()
{
    static const bool done = [] {
        initLetterfoldResources();
        return true;
    }();
    static_cast<void>(done);
}

int registerFonts()
{
    // Only the regular face: the package's "bold" face (tahomabd.ttf) is drawn
    // with regular strokes, only wider apart, so the bold title would not look
    // bold. Without it, Qt emboldens the regular face for bold requests.
    static const char *const faces[] = {"/usr/share/wine/fonts/tahoma.ttf"};
    int added = 0;
    for (const char *face : faces) {
        const QString path = QString::fromLatin1(face);
        if (QFile::exists(path) && QFontDatabase::addApplicationFont(path) >= 0)
            ++added;
    }
    return added;
}

QFont controlFont(const QString &family, qreal pointSize, QFont::Weight weight)
{
    QFont font;
    font.setFamilies({family});
    font.setStyleHint(QFont::SansSerif);
    font.setPointSizeF(pointSize);
    font.setWeight(weight);
    font.setItalic(false);
    font.setUnderline(false);
    font.setStrikeOut(false);
    return font;
}

QIcon applicationIcon()
{
    ensureResources();
    QIcon icon;
    for (const int size : {16, 24, 32, 48, 256})
        icon.addFile(QStringLiteral(":/letterfold/icons/letterfold-%1.png").arg(size),
                     QSize(size, size));
    return icon;
}

} // namespace shell
