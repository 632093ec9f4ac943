// SPDX-License-Identifier: MIT
#include "commondialog.h"

#include "commanderror.h"

#include <QDir>
#include <QFileDialog>
#include <QFileInfo>

CommonDialog::CommonDialog(QWidget *owner) : m_owner(owner) {}

CommonDialog::~CommonDialog() = default;

void CommonDialog::ShowOpen()
{
    const QString selection = classicSelection(pickFiles());
    if (selection.size() > m_maxFileSize) {
        m_fileName.clear();
        throw CommandError(
            CommandError::kBufferTooSmall,
            QStringLiteral("The selection is longer than %1 characters").arg(m_maxFileSize));
    }
    m_fileName = selection;
}

QString CommonDialog::classicSelection(const QStringList &paths)
{
    if (paths.isEmpty())
        return {};
    if (paths.size() == 1)
        return paths.first();

    // The deepest folder that holds every path, as a list of its components.
    QStringList common = QFileInfo(paths.first()).path().split(u'/', Qt::SkipEmptyParts);
    for (const QString &path : paths) {
        const QStringList parts = QFileInfo(path).path().split(u'/', Qt::SkipEmptyParts);
        qsizetype same = 0;
        while (same < common.size() && same < parts.size() && common[same] == parts[same])
            ++same;
        common.resize(same);
    }
    const QString folder = u'/' + common.join(u'/');
    const qsizetype nameStart = folder == u"/" ? 1 : folder.size() + 1;

    QStringList pieces{folder};
    for (const QString &path : paths)
        pieces.append(path.mid(nameStart));
    return pieces.join(QChar(u'\0'));
}

QStringList CommonDialog::nameFilters(const QString &filter)
{
    QStringList filters;
    const QStringList parts = filter.split(u'|');
    for (qsizetype i = 0; i + 1 < parts.size(); i += 2) {
        const QStringList patterns = parts[i + 1].split(u';', Qt::SkipEmptyParts);
        if (!patterns.isEmpty())
            filters.append(parts[i] + QStringLiteral(" (") + patterns.join(u' ') + u')');
    }
    return filters;
}

QStringList CommonDialog::pickFiles()
{
    QFileDialog dialog(m_owner, QFileDialog::tr("Open"));
    dialog.setAcceptMode(QFileDialog::AcceptOpen);
    if (m_flags & cdlOFNAllowMultiselect)
        dialog.setFileMode(QFileDialog::ExistingFiles);
    else if (m_flags & cdlOFNFileMustExist)
        dialog.setFileMode(QFileDialog::ExistingFile);
    else
        dialog.setFileMode(QFileDialog::AnyFile);

    const QStringList filters = nameFilters(m_filter);
    if (!filters.isEmpty()) {
        dialog.setNameFilters(filters);
        // The descriptions already name their patterns.
        dialog.setOption(QFileDialog::HideNameFilterDetails);
    }

    const QFileInfo preselected(m_fileName);
    if (!m_fileName.isEmpty() && preselected.absoluteDir().exists()) {
        dialog.setDirectory(preselected.absoluteDir());
        dialog.selectFile(preselected.fileName());
    } else {
        dialog.setDirectory(m_lastFolder.isEmpty() ? QDir::homePath() : m_lastFolder);
    }

    if (dialog.exec() != QDialog::Accepted)
        return {};
    m_lastFolder = dialog.directory().absolutePath();
    return dialog.selectedFiles();
}
