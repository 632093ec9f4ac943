// SPDX-License-Identifier: MIT
#pragma once

#include "manifestline.h"
#include "outcome.h"

#include <QList>
#include <QString>

// Takes back a run from its manifest (see ManifestLine): removes the copies
// the run wrote, then the folders it made, and nothing else.
//
// A copy is removed only where its target is still a regular file, looked at
// without following links, holding the very bytes the run wrote (same size
// and SHA-256), and is still that file when it is removed. Anything else is
// kept and reported: a copy edited since, a link or a folder put in its place.
// Messages the run found already in the destination (unchanged) were not
// written by it and are never removed. Then each folder the run made is
// removed where it holds nothing any more, deepest first, so a folder that
// holds anything of the user's is kept with it.
//
// A dry run goes through the same steps and removes nothing: a copy is "would
// be removed" where the real undo would remove it, and a folder where all it
// holds would be removed with it.
class ManifestUndo
{
public:
    enum class Action
    {
        Removed,     // the copy or folder was removed
        WouldRemove, // a dry run: it would be removed
        AlreadyGone, // nothing is there any more: nothing to do
        Kept,        // left alone; the reason says why
    };

    struct Step
    {
        QString path;
        Action action = Action::Kept;
        QString reason; // "" unless kept
        bool folder = false;
    };

    // Reads the whole manifest at path before anything is removed. Fails,
    // with a reason naming the manifest, when it cannot be read, does not
    // start with a run line, or holds a line ManifestLine::parse refuses
    // (naming the line's number). A last line without its newline that cannot
    // be read is what a run killed in mid-write leaves: it is left out, and
    // run() reports it as kept.
    [[nodiscard]] static Outcome<ManifestUndo> read(const QString &path);

    // Undoes the run, or with dryRun only says what undoing would do; returns
    // one step per copy and folder, copies first, in the manifest's order,
    // then folders deepest first.
    [[nodiscard]] QList<Step> run(bool dryRun) const;

private:
    QString m_path;
    QList<ManifestLine> m_copies;
    QStringList m_folders;
    bool m_cutOff = false;
};
