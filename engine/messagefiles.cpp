// SPDX-License-Identifier: MIT
#include "messagefiles.h"

namespace messagefiles {

bool isMessageFileName(const QString &path)
{
    // Neither ".eml" nor ".emlx" holds a space, so stripping leading spaces
    // can never change the answer; and lower-casing maps character by
    // character, so lowering the last five characters alone is the same as
    // lowering the whole path. Scans test every file of large trees, so the
    // path is not copied.
    QStringView rest(path);
    while (rest.endsWith(u' '))
        rest.chop(1);
    const QString tail = rest.right(5).toString().toLower();
    return tail.endsWith(QLatin1String(".eml")) || tail.endsWith(QLatin1String(".emlx"));
}

bool isMailboxFileName(const QString &path)
{
    const QStringView name = QStringView(path).mid(path.lastIndexOf(u'/') + 1);
    return name.endsWith(QLatin1String(".mbox"), Qt::CaseInsensitive) ||
           name.compare(QLatin1String("mbox"), Qt::CaseInsensitive) == 0;
}

bool mayHoldMessages(const QByteArray &rawPath)
{
    // The test reads only the ASCII end of the name, which reading each byte as
    // one character keeps.
    const QString latin1 = QString::fromLatin1(rawPath);
    return rawPath.endsWith('/') || isMessageFileName(latin1) || isMailboxFileName(latin1);
}

} // namespace messagefiles
