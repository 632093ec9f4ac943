// SPDX-License-Identifier: MIT
#include "stagedcopy.h"

#include "testsupport.h"

#include <fcntl.h>
#include <gtest/gtest.h>
#include <QFile>
#include <QFileInfo>
#include <QTemporaryDir>
#include <sys/file.h>
#include <vector>

namespace {

// Regression guard: a run that clears leftover hidden files must never take
// the file another run is writing, which holds a lock on it.
TEST(StagedCopy, RemovesOnlyTheHiddenFilesNoWriterHolds)
{
    const QTemporaryDir root;
    ASSERT_TRUE(root.isValid());
    const struct
    {
        const char *name;
        bool locked;
        bool removed;
    } files[] = {
        {".a.eml.0123456789ab.letterfold-tmp", false, true},
        {".b.eml.0123456789ab.letterfold-tmp", true, false},
        {"c.eml.letterfold-tmp", false, false}, // not hidden: not one of ours
        {".d.eml", false, false},
    };
    std::vector<FileDescriptor> locks; // another run's writer, alive
    for (const auto &file : files) {
        const QString path = root.filePath(QString::fromUtf8(file.name));
        testsupport::writeFile(path, "partial");
        if (file.locked) {
            locks.emplace_back(::open(QFile::encodeName(path).constData(), O_RDONLY));
            ASSERT_EQ(::flock(locks.back().get(), LOCK_EX), 0);
        }
    }
    StagedCopy::removeLeftovers(FileSystemCalls::system(), QFile::encodeName(root.path()));
    for (const auto &file : files)
        EXPECT_EQ(QFileInfo::exists(root.filePath(QString::fromUtf8(file.name))), !file.removed)
            << file.name;
}

} // namespace
