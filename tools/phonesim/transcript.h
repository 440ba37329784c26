// SPDX-License-Identifier: GPL-3.0-or-later
// The simulator's transcript: one JSON object per line, each with its wall-clock time.
#pragma once

#include <QFile>
#include <QJsonObject>
#include <QString>

namespace phonesim {

class Transcript
{
public:
    /// Creates (or truncates) the file. Returns false and leaves the transcript closed
    /// when the file cannot be written.
    bool open(const QString &path, QString *error);
    /// Adds "t" (UTC, ISO 8601 with milliseconds) and writes the event as one line.
    /// Each line is flushed, so a reader sees it at once and a killed simulator loses nothing.
    void write(QJsonObject event);
    bool isOpen() const { return m_file.isOpen(); }

private:
    QFile m_file;
};

} // namespace phonesim
