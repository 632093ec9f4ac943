// SPDX-License-Identifier: MIT
#include "browseforfolder.h"

#include <exception>
#include <QDir>
#include <QFileDialog>
#include <QFileInfo>

namespace registry {

QString BrowseForFolder(QWidget *owner, const QString &prompt)
{
    try {
        // The home folder, not "/": one Enter on a dialog that opened at the root
        // would scan the whole disk, or scatter copies beside every original.
        QFileDialog dialog(owner, prompt, QDir::homePath());
        dialog.setAcceptMode(QFileDialog::AcceptOpen);
        dialog.setFileMode(QFileDialog::Directory);
        dialog.setOption(QFileDialog::ShowDirsOnly);
        dialog.setWindowModality(Qt::ApplicationModal);
        if (dialog.exec() != QDialog::Accepted)
            return {};
        const QStringList chosen = dialog.selectedFiles();
        if (chosen.isEmpty())
            return {};
        const QFileInfo folder(chosen.first());
        if (!folder.isDir())
            return {};
        return withoutTrailingSlash(folder.absoluteFilePath());
    } catch (const std::exception &) {
        return {};
    }
}

QString withoutTrailingSlash(const QString &path)
{
    QString folder = path;
    while (folder.size() > 1 && folder.endsWith(u'/'))
        folder.chop(1);
    return folder;
}

} // namespace registry
