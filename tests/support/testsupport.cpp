// SPDX-License-Identifier: MIT
#include "testsupport.h"

#include <QDir>
#include <QFile>
#include <QFileInfo>

#include <gtest/gtest.h>
#include <unistd.h>

namespace testsupport {

QString dataPath(const QString &relative)
{
    return QDir(QStringLiteral(LETTERFOLD_TEST_DATA_DIR)).filePath(relative);
}

QByteArray readAll(const QString &path)
{
    QFile file(path);
    if (!file.open(QIODevice::ReadOnly))
        return {};
    return file.readAll();
}

void writeFile(const QString &path, const QByteArray &bytes)
{
    QDir().mkpath(QFileInfo(path).absolutePath());
    QFile file(path);
    ASSERT_TRUE(file.open(QIODevice::WriteOnly | QIODevice::Truncate)) << path.toStdString();
    ASSERT_EQ(file.write(bytes), bytes.size());
}

bool permissionsAreIgnored()
{
    return geteuid() == 0;
}

} // namespace testsupport
