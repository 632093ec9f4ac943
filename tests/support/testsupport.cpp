// SPDX-License-Identifier: MIT
#include "testsupport.h"

#include <gtest/gtest.h>
#include <QDir>
#include <QDirIterator>
#include <QFile>
#include <QFileInfo>
#include <QJsonDocument>
#include <QProcess>
#include <unistd.h>

void PrintTo(const QString &text, std::ostream *os)
{
    constexpr qsizetype kShown = 1000;
    *os << '"' << text.left(kShown).toStdString() << (text.size() > kShown ? "...\"" : "\"");
}

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

QByteArray messageIn(const QString &path)
{
    const QByteArray bytes = readAll(path);
    if (!path.endsWith(QLatin1String(".emlx"), Qt::CaseInsensitive))
        return bytes;
    const qsizetype newline = bytes.indexOf('\n');
    bool counted = false;
    const qsizetype count = bytes.left(newline).trimmed().toLongLong(&counted);
    return newline < 0 || !counted ? bytes : bytes.mid(newline + 1, count);
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

QMap<QString, QByteArray> snapshot(const QString &root)
{
    QMap<QString, QByteArray> files;
    QDirIterator it(root, QDir::Files | QDir::Hidden | QDir::System, QDirIterator::Subdirectories);
    while (it.hasNext()) {
        const QString path = it.next();
        files.insert(QDir(root).relativeFilePath(path), readAll(path));
    }
    return files;
}

ProcessResult runProcess(const QString &program, const QStringList &arguments,
                         const QString &workingDirectory, const QProcessEnvironment &environment)
{
    QProcess process;
    process.setProgram(program);
    process.setArguments(arguments);
    if (!workingDirectory.isEmpty())
        process.setWorkingDirectory(workingDirectory);
    if (!environment.isEmpty())
        process.setProcessEnvironment(environment);
    process.start();
    const bool finished = process.waitForFinished(60000);
    EXPECT_TRUE(finished) << program.toStdString() << " did not finish within a minute";
    ProcessResult result;
    if (finished && process.exitStatus() == QProcess::NormalExit)
        result.exitCode = process.exitCode();
    result.out = QString::fromUtf8(process.readAllStandardOutput());
    result.err = QString::fromUtf8(process.readAllStandardError());
    return result;
}

QList<QJsonObject> oracle(const QStringList &argumentsAndPaths)
{
    // Debian's Python, which has the email and mailbox packages; another
    // python3 may come first on PATH.
    const ProcessResult result = runProcess(
        QStringLiteral("/usr/bin/python3"),
        QStringList{dataPath(QStringLiteral("mailstores/oracle.py"))} + argumentsAndPaths);
    EXPECT_EQ(result.exitCode, 0) << result.err.toStdString();
    QList<QJsonObject> messages;
    for (const QString &line : result.out.split(QLatin1Char('\n'), Qt::SkipEmptyParts)) {
        const QJsonDocument document = QJsonDocument::fromJson(line.toUtf8());
        EXPECT_TRUE(document.isObject()) << line.toStdString();
        messages.append(document.object());
    }
    return messages;
}

} // namespace testsupport
