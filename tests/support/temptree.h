// SPDX-License-Identifier: MIT
#pragma once

#include <QByteArray>
#include <QByteArrayList>
#include <QString>
#include <QTemporaryDir>

// A throwaway folder tree, removed with everything in it when the test ends.
// Relative names are raw bytes, so a tree can hold names that are not valid
// UTF-8; for the same reason it is removed byte-wise rather than through Qt.
// Every helper fails the current test when the file system refuses.
class TempTree
{
public:
    TempTree();
    ~TempTree();
    TempTree(const TempTree &) = delete;
    TempTree &operator=(const TempTree &) = delete;

    // The root folder, without a trailing "/".
    [[nodiscard]] QString root() const { return m_dir.path(); }
    // root() + "/" + relative, as text (relative must be valid UTF-8).
    [[nodiscard]] QString path(const QString &relative) const;
    // The raw bytes of root() + "/" + relative.
    [[nodiscard]] QByteArray rawPath(const QByteArray &relative) const;

    // Makes a folder and any missing folders above it.
    void folder(const QByteArray &relative);
    // Makes a small file, and any missing folders above it.
    void file(const QByteArray &relative, const QByteArray &content = "x");
    // Makes several files.
    void files(const QByteArrayList &relatives);
    // Makes a symbolic link at relative that points to target (taken as it is).
    void link(const QByteArray &relative, const QByteArray &target);
    // Makes a fifo.
    void fifo(const QByteArray &relative);
    // Takes every permission away from a folder, the root for "" (given back
    // before removal).
    void lock(const QByteArray &relative);
    // Removes a file or a folder with everything in it.
    void remove(const QByteArray &relative);
    // Makes relative and, below it, levels folders nested one in the other, each
    // named with 255 "d" (the longest name a folder can have). From the
    // sixteenth level on, a path to such a folder is longer than the system
    // takes (PATH_MAX, 4096 bytes), so it cannot be opened by path, even by
    // root. Returns the raw path of the deepest folder.
    QByteArray deepFolders(const QByteArray &relative, int levels);

private:
    QTemporaryDir m_dir;
    QByteArray m_root;
    QByteArrayList m_locked;
};
