// SPDX-License-Identifier: MIT
#include "messageorigin.h"

#include <QStringView>

namespace {

// The last step of a path, without the slashes that may end a folder's path.
QStringView lastStep(QStringView path)
{
    while (path.endsWith(u'/'))
        path.chop(1);
    return path.sliced(path.lastIndexOf(u'/') + 1);
}

// name without its suffix, when name is longer than it; any letter case.
QStringView withoutSuffix(QStringView name, QStringView suffix)
{
    if (name.size() > suffix.size() && name.endsWith(suffix, Qt::CaseInsensitive))
        name.chop(suffix.size());
    return name;
}

} // namespace

QString MessageOrigin::fileToken() const
{
    if (!maildirUniqueName.isEmpty())
        return maildirUniqueName;
    // A message in an mbox has no file of its own; the mbox's name may hold
    // dots that are no extension ("INBOX.Sent").
    if (!mailboxPath.isEmpty())
        return mailboxToken();
    const QStringView name = lastStep(sourcePath);
    // Apple Mail names a partly downloaded message "123.partial.emlx": it is
    // message 123 as much as "123.emlx" is.
    const QStringView partial = withoutSuffix(name, u".partial.emlx");
    if (partial.size() != name.size())
        return partial.toString();
    const qsizetype dot = name.lastIndexOf(u'.');
    return (dot > 0 ? name.first(dot) : name).toString();
}

QString MessageOrigin::mailboxToken() const
{
    return withoutSuffix(lastStep(mailboxPath), u".mbox").toString();
}
