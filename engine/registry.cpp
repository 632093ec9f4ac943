// SPDX-License-Identifier: MIT
#include "registry.h"

namespace registry {

QString FolderOf(const QString &path)
{
    return path.left(path.lastIndexOf(u'/') + 1);
}

QString FileNameOf(const QString &path)
{
    return path.mid(path.lastIndexOf(u'/') + 1);
}

QString withTrailingSlash(const QString &folder)
{
    if (folder.isEmpty() || folder.endsWith(u'/'))
        return folder;
    return folder + u'/';
}

} // namespace registry
