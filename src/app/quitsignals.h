// SPDX-License-Identifier: GPL-3.0-or-later
// Turns SIGTERM, SIGINT and SIGHUP into a Qt signal on the event loop, so the program can
// close the port and end cleanly when the session ends or the user presses Ctrl-C.
#pragma once

#include <QObject>

class QSocketNotifier;

class QuitSignals : public QObject
{
    Q_OBJECT
public:
    /// Catches the three signals from now on (one instance per process).
    explicit QuitSignals(QObject *parent = nullptr);
    /// Gives the three signals back their default action.
    ~QuitSignals() override;

signals:
    /// One of the signals arrived. A second one of the same kind ends the program at once,
    /// in case the clean end itself hangs.
    void received(int signalNumber);

private:
    void readPending();

    QSocketNotifier *m_notifier = nullptr;
};
