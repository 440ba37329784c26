// SPDX-License-Identifier: GPL-3.0-or-later
#include "app/porttrace.h"

#include "app/seams.h"

namespace {
const char *const kControlNames[32] = {
    "NUL", "SOH", "STX", "ETX", "EOT", "ENQ", "ACK", "BEL", "BS", "TAB", "LF", "VT", "FF", "CR",
    "SO", "SI", "DLE", "DC1", "DC2", "DC3", "DC4", "NAK", "SYN", "ETB", "CAN", "EM", "SUB",
    "ESC", "FS", "GS", "RS", "US",
};
} // namespace

QString PortTrace::Visible(const QByteArray &bytes)
{
    QString out;
    out.reserve(bytes.size());
    for (const char c : bytes) {
        const auto b = static_cast<unsigned char>(c);
        if (b < 32)
            out += QLatin1Char('<') + QLatin1String(kControlNames[b]) + QLatin1Char('>');
        else if (b == '<' || b > 126)
            out += QStringLiteral("<%1>").arg(b, 2, 16, QLatin1Char('0')).toUpper();
        else
            out += QLatin1Char(c);
    }
    return out;
}

QString PortTrace::Line(const QDateTime &when, Direction direction, const QString &text)
{
    const char *mark = direction == Direction::Sent       ? " >> "
                       : direction == Direction::Received ? " << "
                                                          : " -- ";
    return when.toString(QStringLiteral("yyyy-MM-dd HH:mm:ss.zzz")) + QLatin1String(mark) + text;
}

bool PortTrace::open(const QString &path, QString *error)
{
    m_file.setFileName(path);
    if (!m_file.open(QIODevice::WriteOnly | QIODevice::Truncate | QIODevice::Text)) {
        if (error)
            *error = m_file.errorString();
        return false;
    }
    return true;
}

void PortTrace::sent(const QByteArray &bytes) { write(Direction::Sent, Visible(bytes)); }

void PortTrace::received(const QByteArray &bytes) { write(Direction::Received, Visible(bytes)); }

void PortTrace::note(const QString &text) { write(Direction::Note, text); }

void PortTrace::write(Direction direction, const QString &text)
{
    if (!m_file.isOpen())
        return;
    m_file.write(Line(Seams::Now(), direction, text).toUtf8() + '\n');
    // Flushed at once: the transcript matters most when the program is about to fail.
    m_file.flush();
}
