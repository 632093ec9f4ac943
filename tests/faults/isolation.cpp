// SPDX-License-Identifier: MIT
#include "isolation.h"

#include "messagescan.h"
#include "treesnapshot.h"

#include <cerrno>
#include <csignal>
#include <cstring>
#include <grp.h>
#include <poll.h>
#include <QDataStream>
#include <QFile>
#include <sched.h>
#include <sys/mount.h>
#include <sys/resource.h>
#include <sys/wait.h>
#include <unistd.h>

// Found by argument-dependent lookup from QList's operators, so in MessageReport's namespace.
static QDataStream &operator<<(QDataStream &out, const MessageReport &report)
{
    return out << report.row << report.source << report.target << int(report.status)
               << report.reason;
}

static QDataStream &operator>>(QDataStream &in, MessageReport &report)
{
    int status = 0;
    in >> report.row >> report.source >> report.target >> status >> report.reason;
    report.status = MessageStatus(status);
    return in;
}

namespace isolation {

namespace {

QByteArray serialise(const Result &result)
{
    QByteArray bytes;
    QDataStream out(&bytes, QIODevice::WriteOnly);
    out << result.skipReason << result.runFinished << result.reports << result.messages
        << result.converted << result.allConverted << result.summaryText << result.scanned
        << result.unreadableNames << result.skippedFolders << result.destination;
    return bytes;
}

Result deserialise(const QByteArray &bytes)
{
    Result result;
    QDataStream in(bytes);
    in >> result.skipReason >> result.runFinished >> result.reports >> result.messages >>
        result.converted >> result.allConverted >> result.summaryText >> result.scanned >>
        result.unreadableNames >> result.skippedFolders >> result.destination;
    if (in.status() != QDataStream::Ok)
        result.harnessFailure = QStringLiteral("the child's report could not be read");
    return result;
}

QString systemError(const char *what)
{
    return QStringLiteral("%1: %2").arg(QLatin1StringView(what),
                                        QString::fromLocal8Bit(std::strerror(errno)));
}

void writeAll(int fd, const QByteArray &bytes)
{
    qsizetype done = 0;
    while (done < bytes.size()) {
        const ssize_t n = ::write(fd, bytes.constData() + done, size_t(bytes.size() - done));
        if (n < 0 && errno == EINTR)
            continue;
        if (n <= 0)
            return;
        done += n;
    }
}

} // namespace

Result run(const std::function<void(Result &)> &work, std::chrono::seconds timeout)
{
    int fds[2];
    if (::pipe2(fds, O_CLOEXEC) != 0) {
        Result result;
        result.harnessFailure = systemError("pipe");
        return result;
    }
    const pid_t child = ::fork();
    if (child < 0) {
        Result result;
        result.harnessFailure = systemError("fork");
        return result;
    }
    if (child == 0) {
        ::close(fds[0]);
        Result result;
        work(result);
        writeAll(fds[1], serialise(result));
        ::_exit(0);
    }
    ::close(fds[1]);

    QByteArray bytes;
    const auto deadline = std::chrono::steady_clock::now() + timeout;
    bool timedOut = false;
    for (;;) {
        const auto left = std::chrono::duration_cast<std::chrono::milliseconds>(
            deadline - std::chrono::steady_clock::now());
        if (left.count() <= 0) {
            timedOut = true;
            break;
        }
        pollfd p{fds[0], POLLIN, 0};
        const int ready = ::poll(&p, 1, int(std::min<qint64>(left.count(), 1000)));
        if (ready < 0 && errno == EINTR)
            continue;
        if (ready <= 0)
            continue;
        char buffer[65536];
        const ssize_t n = ::read(fds[0], buffer, sizeof buffer);
        if (n < 0 && errno == EINTR)
            continue;
        if (n <= 0)
            break;
        bytes.append(buffer, n);
    }
    ::close(fds[0]);
    if (timedOut)
        ::kill(child, SIGKILL);
    int status = 0;
    while (::waitpid(child, &status, 0) < 0 && errno == EINTR) {
    }

    Result result;
    if (timedOut) {
        result.harnessFailure =
            QStringLiteral("timed out after %1 s: the child hung").arg(timeout.count());
        return result;
    }
    if (WIFSIGNALED(status)) {
        result.harnessFailure = QStringLiteral("the child was ended by signal %1 (%2)")
                                    .arg(WTERMSIG(status))
                                    .arg(QLatin1StringView(strsignal(WTERMSIG(status))));
        return result;
    }
    if (!WIFEXITED(status) || WEXITSTATUS(status) != 0 || bytes.isEmpty()) {
        result.harnessFailure = QStringLiteral("the child exited with status %1 and no report")
                                    .arg(WEXITSTATUS(status));
        return result;
    }
    return deserialise(bytes);
}

void convert(Result &result, const QStringList &rows, const QString &destination,
             ConversionRun::Mode mode, const FaultHost::YieldHook &hook, int workers)
{
    FaultHost host(rows, destination);
    host.setYieldHook(hook);
    ConversionRun run(host);
    run.setWorkers(workers);
    result.runFinished = run.run(mode) == ConversionRun::End::Finished;
    result.reports = host.reports();
    result.messages = host.summary().messages;
    result.converted = host.summary().converted;
    result.allConverted = host.summary().allConverted();
    result.summaryText = host.summaryText();
    // "/" is not ours to list; a run into it is checked through its sources.
    if (destination != QStringLiteral("/"))
        result.destination = treesnapshot::take(destination);
}

void scan(Result &result, const QString &root)
{
    const messagescan::FolderScan scan = messagescan::scanFolder(root);
    result.scanned = scan.rows();
    result.unreadableNames = scan.unreadableNames;
    for (const pathLogger::SkippedFolder &skipped : scan.skippedFolders)
        result.skippedFolders.append(skipped.path + QStringLiteral(": ") + skipped.reason());
}

QString enterPrivateMounts()
{
    if (::unshare(CLONE_NEWNS) != 0)
        return systemError("cannot enter a private mount namespace (unshare)");
    if (::mount(nullptr, "/", nullptr, MS_REC | MS_PRIVATE, nullptr) != 0)
        return systemError("cannot make the mounts private");
    return {};
}

QString mountTmpfs(const QString &folder, qint64 sizeBytes, bool readOnly)
{
    const QByteArray options = "size=" + QByteArray::number(sizeBytes) + ",mode=0777";
    const unsigned long flags = readOnly ? MS_RDONLY : 0;
    if (::mount("letterfold-test", QFile::encodeName(folder).constData(), "tmpfs", flags,
                options.constData()) != 0)
        return systemError("cannot mount a tmpfs");
    return {};
}

QString limitFileSize(qint64 bytes)
{
    std::signal(SIGXFSZ, SIG_IGN);
    const rlimit limit{rlim_t(bytes), rlim_t(bytes)};
    if (::setrlimit(RLIMIT_FSIZE, &limit) != 0)
        return systemError("cannot limit the file size");
    return {};
}

QString dropRoot()
{
    if (::geteuid() != 0)
        return {};
    if (::setgroups(0, nullptr) != 0 || ::setgid(kNobody) != 0 || ::setuid(kNobody) != 0)
        return systemError("cannot become the user nobody");
    return {};
}

} // namespace isolation
