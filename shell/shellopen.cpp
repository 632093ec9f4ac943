// SPDX-License-Identifier: MIT
#include "shellopen.h"

#include <memory>
#include <QDir>
#include <QProcess>

namespace registry {

QProcess *ShellOpen(const QString &target, QObject *context, std::function<void()> whenNotOpened)
{
    if (target.isEmpty())
        return nullptr;
    // QDesktopServices::openUrl cannot be used: it reports success even when
    // xdg-open finds no program to open the target with.
    const QUrl url = shellOpenUrl(target);
    auto *opener = new QProcess(context);
    opener->setProgram(QStringLiteral("xdg-open"));
    opener->setArguments(
        {url.isLocalFile() ? url.toLocalFile() : url.toString(QUrl::FullyEncoded)});
    opener->setStandardInputFile(QProcess::nullDevice());
    opener->setStandardOutputFile(QProcess::nullDevice());
    opener->setStandardErrorFile(QProcess::nullDevice());

    auto notOpened = std::make_shared<std::function<void()>>(std::move(whenNotOpened));
    QObject::connect(opener, &QProcess::finished, opener,
                     [opener, notOpened](int exitCode, QProcess::ExitStatus status) {
                         if ((status != QProcess::NormalExit || exitCode != 0) && *notOpened)
                             (*notOpened)();
                         opener->deleteLater();
                     });
    // A crash is reported by finished as well; only a start that failed has
    // no finished to follow it. That failure may be raised inside start(), so
    // it is handled from the event loop, as the others are.
    QObject::connect(
        opener, &QProcess::errorOccurred, opener,
        [opener, notOpened](QProcess::ProcessError error) {
            if (error != QProcess::FailedToStart)
                return;
            if (*notOpened)
                (*notOpened)();
            opener->deleteLater();
        },
        Qt::QueuedConnection);
    opener->start();
    return opener;
}

QUrl shellOpenUrl(const QString &target)
{
    if (target.startsWith(u'/'))
        return QUrl::fromLocalFile(target);
    return QUrl::fromUserInput(target, QDir::currentPath(), QUrl::AssumeLocalFile);
}

} // namespace registry
