// SPDX-License-Identifier: MIT
#include "scanerror.h"

#include <QtGlobal>

ScanError::ScanError(Kind kind, const QString &message, const QString &path, const QString &key,
                     int errorCode)
    : std::runtime_error(message.toStdString()), m_kind(kind), m_message(message), m_path(path),
      m_key(key), m_errorCode(errorCode)
{}

QString ScanError::reason() const
{
    return m_errorCode != 0 ? qt_error_string(m_errorCode) : m_message;
}
