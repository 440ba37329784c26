// SPDX-License-Identifier: GPL-3.0-or-later
// A transcript of the serial line for diagnosing a phone: every byte written and read, with
// the time, in lines a person can read.
#pragma once

#include <QByteArray>
#include <QDateTime>
#include <QFile>
#include <QString>

class PortTrace
{
public:
    enum class Direction { Sent, Received, Note };

    /// Bytes as visible text: printable ASCII as it stands; CR, LF, Ctrl-Z and the other
    /// control characters by name in angle brackets (<CR><LF>, <SUB>); '<' and bytes above
    /// 126 as two hex digits in angle brackets (<3C>, <E9>), so the line reads back exactly.
    static QString Visible(const QByteArray &bytes);
    /// One line of the transcript, without its line end:
    /// "2024-05-01 12:00:00.125 >> AT<CR>" (">>" to the phone, "<<" from it, "--" a note).
    static QString Line(const QDateTime &when, Direction direction, const QString &text);

    /// Starts a transcript in `path` (replacing the file). False with `error` set on failure.
    bool open(const QString &path, QString *error = nullptr);
    bool isOpen() const { return m_file.isOpen(); }

    void sent(const QByteArray &bytes);
    void received(const QByteArray &bytes);
    /// An event on the port (opened, closed, lost), in words.
    void note(const QString &text);

private:
    void write(Direction direction, const QString &text);

    QFile m_file;
};
