// SPDX-License-Identifier: GPL-3.0-or-later
#include "transcript.h"

#include <QDateTime>
#include <QJsonDocument>

namespace phonesim {

bool Transcript::open(const QString &path, QString *error)
{
    m_file.setFileName(path);
    if (!m_file.open(QIODevice::WriteOnly | QIODevice::Truncate)) {
        *error = QStringLiteral("cannot write %1: %2").arg(path, m_file.errorString());
        return false;
    }
    return true;
}

void Transcript::write(QJsonObject event)
{
    if (!m_file.isOpen())
        return;
    event[u"t"] = QDateTime::currentDateTimeUtc().toString(Qt::ISODateWithMs);
    m_file.write(QJsonDocument(event).toJson(QJsonDocument::Compact) + '\n');
    m_file.flush();
}

} // namespace phonesim
