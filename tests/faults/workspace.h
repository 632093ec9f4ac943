// SPDX-License-Identifier: MIT
#pragma once

#include <QDir>
#include <QFile>
#include <QTemporaryDir>
#include <sys/stat.h>

// A throwaway folder with a source tree (src/) and a destination (out/), open
// to every user so that a child that gave up root can still read the sources.
class Workspace
{
public:
    Workspace()
    {
        ::chmod(QFile::encodeName(m_dir.path()).constData(), 0755);
        QDir().mkpath(source());
        QDir().mkpath(destination());
        ::chmod(QFile::encodeName(destination()).constData(), 0777);
    }

    [[nodiscard]] bool isValid() const { return m_dir.isValid(); }
    [[nodiscard]] QString base() const { return m_dir.path(); }
    [[nodiscard]] QString source() const { return m_dir.filePath(QStringLiteral("src")); }
    [[nodiscard]] QString destination() const { return m_dir.filePath(QStringLiteral("out")); }
    // A path below the source tree.
    [[nodiscard]] QString source(const QString &relative) const
    {
        return source() + QLatin1Char('/') + relative;
    }

private:
    QTemporaryDir m_dir;
};
