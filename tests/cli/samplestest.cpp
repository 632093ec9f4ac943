// SPDX-License-Identifier: MIT
// scripts/convert-samples, which ./run-letterfold runs when there is no display:
// the bundled samples converted by the built letterfold-cli.
#include "testsupport.h"

#include <gtest/gtest.h>
#include <QDir>
#include <QDirIterator>
#include <QProcess>
#include <QProcessEnvironment>
#include <QTemporaryDir>

namespace {

using Result = testsupport::ProcessResult;

Result convertSamples(const QString &buildDir, const QString &tmpDir)
{
    QProcessEnvironment environment = QProcessEnvironment::systemEnvironment();
    environment.insert(QStringLiteral("LETTERFOLD_BUILD_DIR"), buildDir);
    environment.insert(QStringLiteral("TMPDIR"), tmpDir);
    return testsupport::runProcess(QStringLiteral(LETTERFOLD_SOURCE_DIR "/scripts/convert-samples"),
                                   {}, {}, environment);
}

// The messages in the files below root, sorted, so copies and originals
// compare whatever their names.
QList<QByteArray> contentsBelow(const QString &root, const QStringList &nameFilters)
{
    QList<QByteArray> contents;
    QDirIterator it(root, nameFilters, QDir::Files | QDir::Hidden, QDirIterator::Subdirectories);
    while (it.hasNext())
        contents.append(testsupport::messageIn(it.next()));
    std::sort(contents.begin(), contents.end());
    return contents;
}

TEST(ConvertSamples, CopiesEveryBundledSampleIntoAFreshFolderAndSaysWhere)
{
    QTemporaryDir temp;
    ASSERT_TRUE(temp.isValid());
    const QString samples = QStringLiteral(LETTERFOLD_SOURCE_DIR "/resources/samples");
    const QList<QByteArray> originals =
        contentsBelow(samples, {QStringLiteral("*.eml"), QStringLiteral("*.emlx")});
    ASSERT_GE(originals.size(), 5);

    QStringList folders;
    for (int run = 0; run < 2; ++run) {
        const Result result = convertSamples(QStringLiteral(LETTERFOLD_BUILD_DIR), temp.path());
        EXPECT_EQ(result.exitCode, 0) << result.err.toStdString();
        // The partial sample lies outside its mailbox: its attachments are missing.
        EXPECT_TRUE(result.out.contains(
            QStringLiteral("Converted %1 of %1 messages; 1 with attachments missing.")
                .arg(originals.size())))
            << result.out.toStdString();
        const QStringList lines = result.out.trimmed().split(QLatin1Char('\n'));
        const QString prefix = QStringLiteral("The copies are in ");
        ASSERT_TRUE(lines.last().startsWith(prefix)) << result.out.toStdString();
        const QString folder = lines.last().mid(prefix.size());
        EXPECT_TRUE(folder.startsWith(temp.path() + QLatin1Char('/')));
        EXPECT_EQ(QDir(folder).entryList(QDir::Files).size(), originals.size());
        EXPECT_EQ(contentsBelow(folder, {QStringLiteral("*.eml")}), originals);
        EXPECT_TRUE(QFileInfo::exists(folder + QStringLiteral("Is dinner ready.eml")));
        folders.append(folder);
    }
    EXPECT_NE(folders[0], folders[1]) << "the second run did not get a fresh folder";
}

TEST(ConvertSamples, SaysSoAndWritesNothingWhenTheToolIsNotBuilt)
{
    QTemporaryDir temp;
    ASSERT_TRUE(temp.isValid());
    const Result result = convertSamples(temp.path() + QStringLiteral("/no-build"), temp.path());
    EXPECT_EQ(result.exitCode, 2);
    EXPECT_TRUE(result.err.contains(QStringLiteral("letterfold-cli is not built")))
        << result.err.toStdString();
    EXPECT_TRUE(QDir(temp.path()).isEmpty());
}

} // namespace
