// SPDX-License-Identifier: MIT
#include "modmain.h"

#include "filecopy.h"

#include <filesystem>
#include <QFile>
#include <system_error>

namespace modMain {

Outcome<void> EnsureFolderExists(const QString &folder)
{
    const auto fail = [&folder](int error) {
        return Outcome<void>::failure(
            QStringLiteral("cannot create the folder %1: %2").arg(folder, systemReason(error)));
    };
    // The system would read the path only up to its first NUL: another folder.
    if (folder.contains(QChar(0)))
        return fail(EINVAL);
    // create_directories makes each missing step by its whole prefix as text
    // ("lnk/../OUT", then "lnk/../OUT/a") and drops no step before asking the
    // kernel, so links and ".." are resolved as mkdir -p resolves them.
    const std::filesystem::path path(folder.isEmpty() ? std::string("/")
                                                      : QFile::encodeName(folder).toStdString());
    std::error_code error;
    std::filesystem::create_directories(path, error);
    if (!error)
        return Outcome<void>::success();
    // Another process may have made the folder between our look and our mkdir.
    std::error_code ignored;
    if (std::filesystem::is_directory(path, ignored))
        return Outcome<void>::success();
    return fail(error.value());
}

Outcome<void> CopyFileTo(const QString &source, const QString &target, bool failIfExists)
{
    return filecopy::copyFile(source, target, failIfExists, filecopy::Staging::Unnamed);
}

} // namespace modMain
