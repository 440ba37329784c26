// SPDX-License-Identifier: GPL-3.0-or-later
#include "phonesimrunner.h"

#include "app/seams.h"

#include <QFile>
#include <QJsonDocument>
#include <QTest>
#include <QTimer>

bool PhonesimRunner::startPhone(const QString &phonesim, const QString &scenario)
{
    const QString link = file(QStringLiteral("COM1"));
    Seams::setProgramFolder(m_dir.path());
    m_process.setProcessChannelMode(QProcess::ForwardedErrorChannel);
    m_process.start(phonesim, {QStringLiteral("--scenario"), scenario, QStringLiteral("--link"),
                               link, QStringLiteral("--transcript"),
                               file(QStringLiteral("phonesim.jsonl"))});
    if (m_dir.isValid() && m_process.waitForStarted(5000)
        && QTest::qWaitFor([&] { return QFile::exists(link); }, 5000))
        return true;
    error = QStringLiteral("the simulated phone did not start: ") + m_process.errorString();
    return false;
}

bool PhonesimRunner::start(const QString &phonesim, const QString &scenario)
{
    if (!startPhone(phonesim, scenario))
        return false;
    form = std::make_unique<Form1>(state, comm);
    form->Form_Load();
    form->show();
    if (QTest::qWaitFor([&] { return !form->PendingAutoConnect() && comm.PortOpen()
                                     && !state.WaitPhonePhonebookRange; }, 15000))
        return true;
    error = QStringLiteral("the window did not connect to the simulated phone");
    return false;
}

PhonesimRunner::~PhonesimRunner()
{
    if (form)
        form->Timer1->stop();
    form.reset();
    comm.setPortOpen(false);
    if (m_process.state() != QProcess::NotRunning) {
        m_process.terminate();
        if (!m_process.waitForFinished(3000))
            m_process.kill();
        m_process.waitForFinished(3000);
    }
    Seams::setProgramFolder(QString());
}

QList<QJsonObject> PhonesimRunner::events(const QString &type) const
{
    QList<QJsonObject> out;
    QFile f(file(QStringLiteral("phonesim.jsonl")));
    if (!f.open(QIODevice::ReadOnly))
        return out;
    for (const QByteArray &line : f.readAll().split('\n')) {
        const QJsonObject o = QJsonDocument::fromJson(line).object();
        if (!o.isEmpty() && (type.isEmpty() || o.value(QLatin1String("type")).toString() == type))
            out << o;
    }
    return out;
}

QStringList PhonesimRunner::commands(qsizetype from) const
{
    QStringList out;
    for (const QJsonObject &e : events(QStringLiteral("command")).mid(from))
        out << e.value(QLatin1String("line")).toString();
    return out;
}
