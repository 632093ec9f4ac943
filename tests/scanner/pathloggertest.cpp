// SPDX-License-Identifier: MIT
#include "pathlogger.h"

#include "asnobody.h"
#include "temptree.h"
#include "testsupport.h"

#include <cerrno>
#include <filesystem>
#include <gtest/gtest.h>
#include <ostream>
#include <QFile>
#include <utility>
#include <vector>

namespace {

// Root files r1, r2; folders A (a1, and B holding b1) and C (c1, c2, c3).
void buildACB(TempTree &tree)
{
    tree.file("r2");
    tree.file("r1");
    tree.folder("C");
    tree.folder("A");
    tree.folder("A/B");
    tree.file("A/a1");
    tree.file("A/B/b1");
    tree.file("C/c3");
    tree.file("C/c1");
    tree.file("C/c2");
}

void noYield() {}

QStringList keysOf(const TextList &list)
{
    QStringList keys;
    for (const auto &entry : list)
        keys.append(entry.key);
    return keys;
}

QStringList keysOf(const NumberList &list)
{
    QStringList keys;
    for (const auto &entry : list)
        keys.append(entry.key);
    return keys;
}

// Paths relative to the tree's root, as recorded.
QStringList relative(const QStringList &paths, const TempTree &tree)
{
    QStringList result;
    for (const QString &path : paths) {
        EXPECT_TRUE(path.startsWith(tree.root() + '/')) << path.toStdString();
        result.append(path.mid(tree.root().size() + 1));
    }
    return result;
}

QStringList fileKeys(int count)
{
    QStringList keys;
    for (int number = 1; number <= count; ++number)
        keys.append(QStringLiteral("K%1").arg(number));
    return keys;
}

// Runs PathLogInit, the given mode and LogPath on a quiet scanner.
pathLogger scanned(const QString &root, bool fullFileNamesOnly)
{
    pathLogger logger(noYield);
    logger.PathLogInit();
    logger.setFullFileNamesOnly(fullFileNamesOnly);
    logger.LogPath(root);
    return logger;
}

ScanError::Kind kindThrownBy(const std::function<void()> &action)
{
    try {
        action();
    } catch (const ScanError &error) {
        return error.kind();
    }
    ADD_FAILURE() << "no ScanError";
    return ScanError::Kind::NoSuchEntry;
}

} // namespace

TEST(PathLogger, WalksFoldersLevelByLevelAndRecordsFilesFolderByFolder)
{
    TempTree tree;
    buildACB(tree);
    pathLogger logger = scanned(tree.root(), true);

    const auto folders = logger.pathNames();
    EXPECT_EQ(relative(folders->values(), tree), QStringList({"", "A/", "C/", "A/B/"}));
    EXPECT_EQ(keysOf(*folders), QStringList({"K0", "K2", "K3", "K4"}));

    const auto files = logger.fullFileNames();
    EXPECT_EQ(relative(files->values(), tree),
              QStringList({"r1", "r2", "A/a1", "C/c1", "C/c2", "C/c3", "A/B/b1"}));
    EXPECT_EQ(keysOf(*files), fileKeys(7));
    EXPECT_EQ(logger.Count(), 8);
    EXPECT_TRUE(logger.unreadableNames().isEmpty());
}

TEST(PathLogger, FillsEveryListWithMatchingKeysWhenAskedForMoreThanFullNames)
{
    TempTree tree;
    buildACB(tree);
    pathLogger logger = scanned(tree.root(), false);

    const auto names = logger.fileNames();
    const auto full = logger.fullFileNames();
    const auto pointers = logger.pathPointers();
    EXPECT_EQ(names->values(), QStringList({"r1", "r2", "a1", "c1", "c2", "c3", "b1"}));
    EXPECT_EQ(pointers->values(), QList<qint32>({1, 1, 2, 3, 3, 3, 4}));
    EXPECT_EQ(keysOf(*names), fileKeys(7));
    EXPECT_EQ(keysOf(*full), fileKeys(7));
    EXPECT_EQ(keysOf(*pointers), fileKeys(7));
    const auto folders = logger.pathNames();
    for (qint32 position = 1; position <= full->count(); ++position)
        EXPECT_EQ(full->at(position), folders->at(pointers->at(position)) + names->at(position));
}

TEST(PathLogger, LeavesFileNamesAndPointersEmptyWhenOnlyFullNamesAreAsked)
{
    TempTree tree;
    buildACB(tree);
    pathLogger logger = scanned(tree.root(), true);

    EXPECT_TRUE(logger.fileNames()->isEmpty());
    EXPECT_TRUE(logger.pathPointers()->isEmpty());
    EXPECT_EQ(logger.fullFileNames()->count(), 7);
}

TEST(PathLogger, RecordsAnEmptyRootAsItsOnlyFolder)
{
    TempTree tree;
    pathLogger logger = scanned(tree.root(), false);

    EXPECT_EQ(logger.pathNames()->values(), QStringList({tree.root() + '/'}));
    EXPECT_EQ(logger.pathNames()->keyAt(1), "K0");
    EXPECT_TRUE(logger.fullFileNames()->isEmpty());
    EXPECT_TRUE(logger.fileNames()->isEmpty());
    EXPECT_TRUE(logger.pathPointers()->isEmpty());
    EXPECT_EQ(logger.Count(), 1);
}

TEST(PathLogger, CarriesTheRootAsWrittenWithOneSeparatorAdded)
{
    TempTree tree;
    tree.folder("sub");
    tree.file("sub/m.eml");
    const struct
    {
        const char *given; // appended to the tree's root
        const char *rootEntry;
    } rows[] = {
        {"", "/"},         {"/", "/"},         {"//", "//"},
        {"/sub", "/sub/"}, {"/sub/", "/sub/"}, {"/./sub/../sub", "/./sub/../sub/"},
    };
    for (const auto &row : rows) {
        SCOPED_TRACE(row.given);
        const QString given = tree.root() + QString::fromUtf8(row.given);
        pathLogger logger = scanned(given, true);
        const QString rootEntry = tree.root() + QString::fromUtf8(row.rootEntry);
        EXPECT_EQ(logger.pathNames()->at(1), rootEntry);
        const QString file = logger.pathNames()->count() == 1 ? "m.eml" : "sub/m.eml";
        EXPECT_EQ(logger.fullFileNames()->values(), QStringList({rootEntry + file}));
    }
}

TEST(PathLogger, ScansTheFileSystemRootWithItsSingleSeparator)
{
    // Only the first level is looked at: the walk is stopped by the yield.
    struct Stop
    {
    };
    bool stopped = false;
    pathLogger *running = nullptr;
    pathLogger logger([&] {
        if (running && running->pathNames()->count() > 1) {
            stopped = true;
            throw Stop();
        }
    });
    running = &logger;
    logger.PathLogInit();
    try {
        logger.LogPath("/");
    } catch (const Stop &) {
    }
    ASSERT_TRUE(stopped);
    EXPECT_EQ(logger.pathNames()->at(1), "/");
    EXPECT_FALSE(logger.pathNames()->at(2).startsWith("//"));
}

TEST(PathLogger, RecordsNothingForARootThatIsNoFolder)
{
    TempTree tree;
    tree.file("plain.eml");
    tree.link("dangling", "nowhere");
    const QString rows[] = {"", tree.root() + "/missing", tree.root() + "/missing/",
                            tree.root() + "/plain.eml", tree.root() + "/dangling"};
    for (const QString &root : rows) {
        SCOPED_TRACE(root.toStdString());
        pathLogger fresh(noYield);
        fresh.PathLogInit();
        fresh.LogPath(root);
        EXPECT_EQ(fresh.Count(), 0);
        EXPECT_TRUE(fresh.pathNames()->isEmpty());
        EXPECT_TRUE(fresh.fullFileNames()->isEmpty());

        pathLogger used = scanned(tree.root(), true);
        ASSERT_EQ(used.Count(), 2);
        used.PathLogInit();
        used.LogPath(root);
        EXPECT_EQ(used.Count(), 2) << "Count keeps its value";
        EXPECT_TRUE(used.pathNames()->isEmpty());
        EXPECT_TRUE(used.fullFileNames()->isEmpty());
    }
}

TEST(PathLogger, FollowsALinkGivenAsTheRoot)
{
    TempTree tree;
    tree.folder("real");
    tree.file("real/m.eml");
    tree.link("alias", "real");
    pathLogger logger = scanned(tree.root() + "/alias", true);
    EXPECT_EQ(logger.fullFileNames()->values(), QStringList({tree.root() + "/alias/m.eml"}));
}

TEST(PathLogger, CountIsOneMoreThanTheFilesRecorded)
{
    for (const int files : {0, 1, 5, 250}) {
        SCOPED_TRACE(files);
        TempTree tree;
        tree.folder("deep");
        for (int number = 0; number < files; ++number)
            tree.file((number % 2 ? "deep/f" : "f") + QByteArray::number(number));
        pathLogger logger = scanned(tree.root(), false);
        EXPECT_EQ(logger.Count(), files + 1);
        EXPECT_EQ(keysOf(*logger.fullFileNames()), fileKeys(files));
    }
}

TEST(PathLogger, ListsNamesInTheByteOrderOfTheirNames)
{
    TempTree tree;
    for (const char *name : {"b", "\xc3\xa9", "B", "a", "_", "10", "9", "a b", "ab"})
        tree.file(name);
    for (const char *name : {"z", "Z", "\xc3\x84", "0"})
        tree.folder(name);
    pathLogger logger = scanned(tree.root(), false);

    EXPECT_EQ(logger.fileNames()->values(),
              QStringList({"10", "9", "B", "_", "a", "a b", "ab", "b", "\u00e9"}));
    EXPECT_EQ(relative(logger.pathNames()->values(), tree),
              QStringList({"", "0/", "Z/", "z/", "\u00c4/"}));
}

TEST(PathLogger, RecordsNonAsciiNamesAsPathsThatReachTheFiles)
{
    TempTree tree;
    tree.folder("Ordner \xc3\xa4");
    tree.file("Ordner \xc3\xa4/\xc3\x9c"
              "berweisung.eml");
    tree.file("\xe6\x97\xa5\xe6\x9c\xac.eml");
    tree.file("\xf0\x9f\x93\xa7 mail.emlx");
    // A leading byte order mark is a valid character that QFile::decodeName drops.
    tree.file("\xef\xbb\xbf"
              "bom.eml");
    pathLogger logger = scanned(tree.root(), true);

    const auto files = logger.fullFileNames();
    ASSERT_EQ(files->count(), 4);
    EXPECT_EQ(relative(files->values(), tree),
              QStringList({"\u65e5\u672c.eml", QChar(0xfeff) + QStringLiteral("bom.eml"),
                           "\U0001f4e7 mail.emlx", "Ordner \u00e4/\u00dcberweisung.eml"}));
    for (const QString &path : files->values())
        EXPECT_TRUE(QFile::exists(path)) << path.toStdString();
    EXPECT_TRUE(logger.unreadableNames().isEmpty());
}

TEST(PathLogger, SetsAsideNamesThatAreNotUtf8InsteadOfRecordingAnotherPath)
{
    // Regression: a Latin-1 name decoded to U+FFFD named a file that does not exist.
    TempTree tree;
    tree.file("caf\xe9.eml");
    tree.file("good.eml");
    tree.folder("bad\xff");
    tree.file("bad\xff/inside.eml");
    tree.folder("ok");
    tree.file("ok/z\xc0\xaf.eml");
    tree.file("ok/fine.eml");
    pathLogger logger = scanned(tree.root(), false);

    EXPECT_EQ(relative(logger.fullFileNames()->values(), tree),
              QStringList({"good.eml", "ok/fine.eml"}));
    EXPECT_EQ(relative(logger.pathNames()->values(), tree), QStringList({"", "ok/"}));
    EXPECT_EQ(keysOf(*logger.pathNames()), QStringList({"K0", "K2"}));
    EXPECT_EQ(keysOf(*logger.fullFileNames()), QStringList({"K1", "K2"}));
    EXPECT_EQ(logger.pathPointers()->values(), QList<qint32>({1, 2}));
    EXPECT_EQ(logger.Count(), 3);
    EXPECT_EQ(logger.unreadableNames(),
              QByteArrayList({tree.rawPath("bad\xff/"), tree.rawPath("caf\xe9.eml"),
                              tree.rawPath("ok/z\xc0\xaf.eml")}));

    logger.PathLogInit();
    EXPECT_TRUE(logger.unreadableNames().isEmpty());
}

TEST(PathLogger, ListsLinksToFilesButNeitherFollowsNorListsLinksToFolders)
{
    TempTree tree;
    tree.file("real.eml");
    tree.folder("A");
    tree.file("A/a.eml");
    tree.link("A/up", "..");
    tree.link("A/self", ".");
    tree.link("toRoot", "/");
    tree.link("toA", "A");
    tree.link("alias.eml", "real.eml");
    tree.link("A/far.eml", "../real.eml");
    tree.link("dangling.eml", "missing.eml");
    tree.link("loop1", "loop2");
    tree.link("loop2", "loop1");
    pathLogger logger = scanned(tree.root(), true);

    EXPECT_EQ(relative(logger.pathNames()->values(), tree), QStringList({"", "A/"}));
    EXPECT_EQ(relative(logger.fullFileNames()->values(), tree),
              QStringList({"alias.eml", "real.eml", "A/a.eml", "A/far.eml"}));
}

TEST(PathLogger, LeavesOutFifosAndSocketsWithoutOpeningThem)
{
    TempTree tree;
    tree.fifo("pipe.eml");
    tree.file("m.eml");
    tree.folder("A");
    tree.fifo("A/another");
    pathLogger logger = scanned(tree.root(), true);
    EXPECT_EQ(relative(logger.fullFileNames()->values(), tree), QStringList({"m.eml"}));
}

TEST(PathLogger, GivesTheEventLoopItsTurnsAtTheSamePointsOfEveryWalk)
{
    // Each turn notes how many folders and files were recorded by then.
    using Trace = std::vector<std::pair<int, int>>;
    struct Row
    {
        bool fullFileNamesOnly;
        Trace expected;
    };
    // clang-format off
    const Row rows[] = {
        {true, {{0, 0},
                // root: listed, before A, path taken, before the files, after r1, end
                {1, 0}, {1, 0}, {2, 0}, {2, 0}, {2, 1}, {2, 1},
                // A: listed, path taken, before the files, after a1, end
                {2, 1}, {2, 1}, {2, 1}, {2, 2}, {2, 2}}},
        {false, {{0, 0},
                 // root: listed, before A, path taken, after r1, end
                 {1, 0}, {1, 0}, {2, 0}, {2, 1}, {2, 1},
                 // A: listed, path taken, after a1, end
                 {2, 1}, {2, 1}, {2, 2}, {2, 2}}},
    };
    // clang-format on
    for (const auto &row : rows) {
        SCOPED_TRACE(row.fullFileNamesOnly);
        TempTree tree;
        tree.file("r1");
        tree.folder("A");
        tree.file("A/a1");
        Trace trace;
        pathLogger *running = nullptr;
        pathLogger logger([&] {
            if (running)
                trace.emplace_back(running->pathNames()->count(),
                                   running->fullFileNames()->count());
        });
        logger.PathLogInit();
        logger.setFullFileNamesOnly(row.fullFileNamesOnly);
        running = &logger;
        logger.LogPath(tree.root());
        EXPECT_EQ(trace, row.expected);

        trace.clear();
        logger.Terminate();
        EXPECT_EQ(trace, Trace({row.expected.back()}))
            << "one turn at the start of Terminate, before the lists are let go";
    }
}

TEST(PathLogger, CountsTurnsForALargerTree)
{
    for (const bool fullOnly : {true, false}) {
        TempTree tree;
        buildACB(tree);
        int turns = 0;
        pathLogger logger([&] { ++turns; });
        logger.PathLogInit();
        logger.setFullFileNamesOnly(fullOnly);
        logger.LogPath(tree.root());
        // 1 before the root; per folder 3 (listed, path taken, end of pass), one
        // more when only full names are kept, one per queued sub-folder and one
        // per file.
        EXPECT_EQ(turns, 1 + 4 * (fullOnly ? 4 : 3) + 3 + 7) << fullOnly;
    }
}

TEST(PathLogger, RefusesToScanUnlessPrepared)
{
    TempTree tree;
    buildACB(tree);
    const struct
    {
        const char *state;
        std::function<void(pathLogger &)> reach;
    } rows[] = {
        {"new", [](pathLogger &) {}},
        {"terminated",
         [&](pathLogger &logger) {
             logger.PathLogInit();
             logger.Terminate();
         }},
        {"terminated after a scan",
         [&](pathLogger &logger) {
             logger.PathLogInit();
             logger.LogPath(tree.root());
             logger.Terminate();
         }},
    };
    for (const auto &row : rows) {
        SCOPED_TRACE(row.state);
        int turns = 0;
        pathLogger logger([&] { ++turns; });
        row.reach(logger);
        const qint32 countBefore = logger.Count();
        turns = 0;
        for (const QString &root : {tree.root(), QString()}) {
            EXPECT_EQ(kindThrownBy([&] { logger.LogPath(root); }), ScanError::Kind::NotPrepared);
        }
        EXPECT_EQ(turns, 0);
        EXPECT_EQ(logger.Count(), countBefore);
        EXPECT_TRUE(logger.pathNames()->isEmpty());
        EXPECT_TRUE(logger.fullFileNames()->isEmpty());
    }
}

TEST(PathLogger, FailsASecondScanWithoutPreparationOnTheTakenRootKey)
{
    TempTree tree;
    buildACB(tree);
    pathLogger logger = scanned(tree.root(), false);
    const QStringList folders = logger.pathNames()->values();
    const QStringList files = logger.fullFileNames()->values();

    try {
        logger.LogPath(tree.root());
        FAIL() << "the second scan succeeded";
    } catch (const ScanError &error) {
        EXPECT_EQ(error.kind(), ScanError::Kind::DuplicateKey);
        EXPECT_EQ(error.key(), "K0");
    }
    EXPECT_EQ(logger.Count(), 1);
    EXPECT_EQ(logger.pathNames()->values(), folders);
    EXPECT_EQ(logger.fullFileNames()->values(), files);
    EXPECT_EQ(logger.fileNames()->count(), files.size());
}

TEST(PathLogger, HandsOutListsThatOutliveTerminateAndTheScanner)
{
    TempTree tree;
    buildACB(tree);
    std::shared_ptr<const TextList> kept;
    std::shared_ptr<const TextList> keptFolders;
    QStringList expected;
    {
        pathLogger logger = scanned(tree.root(), true);
        kept = logger.fullFileNames();
        keptFolders = logger.pathNames();
        expected = kept->values();
        ASSERT_EQ(expected.size(), 7);
        EXPECT_EQ(logger.fullFileNames(), kept) << "the list itself, not a copy";

        logger.Terminate();
        EXPECT_EQ(kept->values(), expected);
        EXPECT_NE(logger.fullFileNames(), kept);
        EXPECT_TRUE(logger.fullFileNames()->isEmpty());
        EXPECT_TRUE(logger.pathNames()->isEmpty());
        EXPECT_EQ(logger.Count(), 8) << "Terminate keeps Count";
        EXPECT_TRUE(logger.fullFileNamesOnly()) << "Terminate keeps the mode";
    }
    EXPECT_EQ(kept->values(), expected);
    EXPECT_EQ(keptFolders->count(), 4);
}

TEST(PathLogger, StartsEmptyListsOnPreparationWhileEarlierListsKeepTheirEntries)
{
    TempTree tree;
    buildACB(tree);
    pathLogger logger = scanned(tree.root(), false);
    const auto names = logger.fileNames();
    const auto full = logger.fullFileNames();
    const auto pointers = logger.pathPointers();
    const auto folders = logger.pathNames();

    logger.PathLogInit();
    EXPECT_TRUE(logger.fullFileNamesOnly());
    EXPECT_EQ(logger.Count(), 8);
    EXPECT_TRUE(logger.fileNames()->isEmpty());
    EXPECT_TRUE(logger.fullFileNames()->isEmpty());
    EXPECT_TRUE(logger.pathPointers()->isEmpty());
    EXPECT_TRUE(logger.pathNames()->isEmpty());
    EXPECT_EQ(names->count(), 7);
    EXPECT_EQ(full->count(), 7);
    EXPECT_EQ(pointers->count(), 7);
    EXPECT_EQ(folders->count(), 4);

    tree.file("C/c4");
    logger.setFullFileNamesOnly(false);
    logger.LogPath(tree.root());
    EXPECT_EQ(logger.Count(), 9) << "file numbers start again at 1";
    EXPECT_EQ(full->count(), 7);
    EXPECT_EQ(logger.fullFileNames()->keyAt(1), "K1");
}

TEST(PathLogger, NewScannerStartsWithNothing)
{
    pathLogger logger(noYield);
    EXPECT_EQ(logger.Count(), 0);
    EXPECT_FALSE(logger.fullFileNamesOnly());
    logger.setFullFileNamesOnly(true);
    EXPECT_TRUE(logger.fullFileNamesOnly());
    EXPECT_TRUE(logger.pathNames()->isEmpty());
    EXPECT_EQ(logger.pathNames(), logger.pathNames()) << "a list made on demand is kept";
}

// Regression: a folder that could not be listed ended the walk, so its
// siblings and every folder below other branches were lost too.
struct UnreadableCase
{
    const char *name;
    QByteArrayList locked; // folders left without permissions ("" is the root)
    QByteArray vanishing;  // a folder removed once it is queued, before it is walked
    QStringList folders;   // pathNames, relative to the root
    QStringList files;     // fullFileNames, relative to the root
    QStringList skipped;   // skippedFolders, relative to the root, in the order met
    int error;             // the errno of every skipped folder
};

void PrintTo(const UnreadableCase &c, std::ostream *out)
{
    *out << c.name;
}

class PathLoggerUnreadable : public ::testing::TestWithParam<UnreadableCase>
{
};

TEST_P(PathLoggerUnreadable, SkipsTheFolderAndWalksTheRestOfTheTree)
{
    const UnreadableCase &c = GetParam();
    // Root: r1; A: a1, A/A2: a2; M: m1, M/M2: m2; Z: z1, Z/Z2: z2.
    TempTree tree;
    tree.file("r1");
    for (const char *branch : {"A", "M", "Z"}) {
        const QByteArray folder(branch);
        const QByteArray lower = folder.toLower();
        tree.folder(folder);
        tree.folder(folder + '/' + folder + '2');
        tree.file(folder + '/' + lower + '1');
        tree.file(folder + '/' + folder + "2/" + lower + '2');
    }
    for (const QByteArray &folder : c.locked)
        tree.lock(folder);

    pathLogger *running = nullptr;
    bool removed = false;
    pathLogger logger([&] {
        if (running && !removed && !c.vanishing.isEmpty() &&
            running->pathNames()->values().contains(tree.root() + '/' + c.vanishing + '/')) {
            std::error_code error;
            std::filesystem::remove_all(tree.rawPath(c.vanishing).toStdString(), error);
            removed = !error;
        }
    });
    running = &logger;
    logger.PathLogInit();
    {
        // The vanishing folder is removed as root, from the yield.
        const AsNobody nobody(!c.locked.isEmpty());
        if (!nobody.failure().isEmpty())
            GTEST_SKIP() << nobody.failure().toStdString();
        logger.LogPath(tree.root());
    }

    EXPECT_EQ(removed, !c.vanishing.isEmpty());
    EXPECT_EQ(relative(logger.pathNames()->values(), tree), c.folders);
    EXPECT_EQ(relative(logger.fullFileNames()->values(), tree), c.files);
    EXPECT_EQ(logger.Count(), c.files.size() + 1);
    QStringList skipped;
    for (const pathLogger::SkippedFolder &folder : logger.skippedFolders()) {
        skipped.append(folder.path);
        EXPECT_EQ(folder.error, c.error) << folder.path.toStdString();
        EXPECT_EQ(folder.reason(), qt_error_string(c.error));
    }
    EXPECT_EQ(relative(skipped, tree), c.skipped);

    logger.Terminate();
    EXPECT_TRUE(logger.skippedFolders().isEmpty());
}

INSTANTIATE_TEST_SUITE_P(
    PathLogger, PathLoggerUnreadable,
    ::testing::Values(UnreadableCase{"AMiddleFolderWithoutPermissions",
                                     {"M"},
                                     {},
                                     {"", "A/", "M/", "Z/", "A/A2/", "Z/Z2/"},
                                     {"r1", "A/a1", "Z/z1", "A/A2/a2", "Z/Z2/z2"},
                                     {"M/"},
                                     EACCES},
                      UnreadableCase{"FoldersOnTwoLevels",
                                     {"Z", "A/A2"},
                                     {},
                                     {"", "A/", "M/", "Z/", "A/A2/", "M/M2/"},
                                     {"r1", "A/a1", "M/m1", "M/M2/m2"},
                                     {"Z/", "A/A2/"},
                                     EACCES},
                      UnreadableCase{"TheChosenFolder", {""}, {}, {""}, {}, {""}, EACCES},
                      UnreadableCase{"AFolderThatVanishedAfterItWasQueued",
                                     {},
                                     "M",
                                     {"", "A/", "M/", "Z/", "A/A2/", "Z/Z2/"},
                                     {"r1", "A/a1", "Z/z1", "A/A2/a2", "Z/Z2/z2"},
                                     {"M/"},
                                     ENOENT}),
    [](const ::testing::TestParamInfo<UnreadableCase> &info) {
        return std::string(info.param.name);
    });

TEST(PathLogger, LetsAnErrorOfTheYieldFunctionThroughAndKeepsWhatItRecorded)
{
    TempTree tree;
    buildACB(tree);
    struct Interrupted
    {
    };
    pathLogger *running = nullptr;
    pathLogger logger([&] {
        if (running && running->fullFileNames()->count() == 3)
            throw Interrupted();
    });
    running = &logger;
    logger.PathLogInit();
    EXPECT_THROW(logger.LogPath(tree.root()), Interrupted);
    EXPECT_EQ(relative(logger.fullFileNames()->values(), tree), QStringList({"r1", "r2", "A/a1"}));
    EXPECT_EQ(logger.Count(), 4);
}
