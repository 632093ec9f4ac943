// SPDX-License-Identifier: MIT
#include "asnobody.h"

#include <cerrno>
#include <cstdlib>
#include <cstring>
#include <unistd.h>

namespace {

constexpr uid_t kNobody = 65534;

QString systemError(const char *what)
{
    return QStringLiteral("%1: %2").arg(QLatin1StringView(what),
                                        QString::fromLocal8Bit(std::strerror(errno)));
}

} // namespace

AsNobody::AsNobody(bool switching)
{
    if (!switching || ::geteuid() != 0)
        return;
    // The group first: once the user is nobody, changing the group is refused.
    if (::setegid(kNobody) != 0) {
        m_failure = systemError("cannot take the group nobody");
        return;
    }
    if (::seteuid(kNobody) != 0) {
        m_failure = systemError("cannot become the user nobody");
        if (::setegid(0) != 0)
            std::abort();
        return;
    }
    m_switched = true;
}

AsNobody::~AsNobody()
{
    // A test that went on as nobody would report nonsense; better to stop.
    if (m_switched && (::seteuid(0) != 0 || ::setegid(0) != 0))
        std::abort();
}
