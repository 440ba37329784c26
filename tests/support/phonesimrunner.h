// SPDX-License-Identifier: GPL-3.0-or-later
// The simulated phone (tools/phonesim) on a pseudo-terminal linked as COM1 in a temporary
// program folder, and the main window talking to it over the real serial port.
#pragma once

#include "app/appstate.h"
#include "app/form1.h"
#include "app/qserialphoneport.h"

#include <QJsonObject>
#include <QProcess>
#include <QTemporaryDir>

#include <memory>

class PhonesimRunner
{
public:
    ~PhonesimRunner();
    /// Starts the phone alone and waits for its link. On failure returns false with `error`
    /// saying why.
    bool startPhone(const QString &phonesim, const QString &scenario);
    /// Starts the phone, loads the window and waits until it has connected. On failure
    /// returns false with `error` saying why.
    bool start(const QString &phonesim, const QString &scenario);
    /// The transcript's events in order; with `type`, only the events of that type.
    QList<QJsonObject> events(const QString &type = QString()) const;
    /// The command lines the phone received, from the `from`-th command on.
    QStringList commands(qsizetype from = 0) const;
    QString file(const QString &name) const { return m_dir.filePath(name); }

    QString error;
    AppState state;
    QSerialPhonePort comm;
    std::unique_ptr<Form1> form;

private:
    QTemporaryDir m_dir;
    QProcess m_process;
};
