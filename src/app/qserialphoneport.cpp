// SPDX-License-Identifier: GPL-3.0-or-later
#include "app/qserialphoneport.h"

#include "app/seams.h"

#include <QDir>
#include <QFileInfo>
#include <QSerialPort>

QSerialPhonePort::QSerialPhonePort(QObject *parent)
    : PhonePort(parent)
    , m_port(new QSerialPort(this))
{
    connect(m_port, &QSerialPort::readyRead, this, &PhonePort::OnComm);
    connect(m_port, &QSerialPort::errorOccurred, this,
            [this](QSerialPort::SerialPortError e) { onError(int(e)); });
}

QSerialPhonePort::~QSerialPhonePort()
{
    if (m_port->isOpen())
        m_port->close();
}

QString QSerialPhonePort::DeviceFor(int n)
{
#ifdef Q_OS_WIN
    return QStringLiteral("COM%1").arg(n);
#else
    const QString own = Seams::ProgramFile(QStringLiteral("COM%1").arg(n));
    if (QFileInfo::exists(own))
        return own;
    for (const char *stem : {"/dev/ttyUSB", "/dev/ttyACM", "/dev/ttyS"}) {
        const QString dev = QLatin1String(stem) + QString::number(n - 1);
        if (QFileInfo::exists(dev))
            return dev;
    }
    // Nothing exists: the opening fails with the name of the missing entry.
    return own;
#endif
}

bool QSerialPhonePort::PortOpen() const { return m_port->isOpen(); }

bool QSerialPhonePort::setPortOpen(bool open)
{
    if (!open) {
        if (!m_port->isOpen())
            return false;
        m_port->close();
        return true;
    }
    if (m_port->isOpen())
        return false;
    const auto s = ParseSerialSettings(Settings());
    if (!s) {
        m_lastError = QStringLiteral("invalid settings");
        return false;
    }
#ifdef Q_OS_WIN
    m_port->setPortName(DeviceFor(CommPort()));
#else
    // QSerialPort takes a name under /dev or an absolute path; resolve a link so the
    // lock file is named after the real device.
    const QFileInfo info(DeviceFor(CommPort()));
    m_port->setPortName(info.isSymLink() ? info.canonicalFilePath().isEmpty()
                                               ? info.absoluteFilePath()
                                               : info.canonicalFilePath()
                                         : info.absoluteFilePath());
#endif
    m_port->setBaudRate(s->baud);
    switch (s->parity) {
    case 'e': m_port->setParity(QSerialPort::EvenParity); break;
    case 'o': m_port->setParity(QSerialPort::OddParity); break;
    case 'm': m_port->setParity(QSerialPort::MarkParity); break;
    case 's': m_port->setParity(QSerialPort::SpaceParity); break;
    default: m_port->setParity(QSerialPort::NoParity); break;
    }
    m_port->setDataBits(static_cast<QSerialPort::DataBits>(s->dataBits));
    if (s->stopBits == QLatin1String("2"))
        m_port->setStopBits(QSerialPort::TwoStop);
    else if (s->stopBits == QLatin1String("1.5"))
        m_port->setStopBits(QSerialPort::OneAndHalfStop);
    else
        m_port->setStopBits(QSerialPort::OneStop);
    switch (Handshaking()) {
    case 1: m_port->setFlowControl(QSerialPort::SoftwareControl); break;
    // QSerialPort cannot combine both kinds: 3 uses RTS/CTS alone.
    case 2:
    case 3: m_port->setFlowControl(QSerialPort::HardwareControl); break;
    default: m_port->setFlowControl(QSerialPort::NoFlowControl); break;
    }
    if (!m_port->open(QIODevice::ReadWrite)) {
        m_lastError = m_port->errorString();
        return false;
    }
    m_lastError.clear();
    // Settings some drivers refuse after opening are applied again; a refusal is ignored
    // as the serial control ignores values it cannot set.
    m_port->setBaudRate(s->baud);
    m_port->clear();
    return true;
}

bool QSerialPhonePort::Output(const QString &text)
{
    if (!m_port->isOpen())
        return false;
    const QByteArray bytes = text.toLatin1();
    return m_port->write(bytes) == bytes.size();
}

QString QSerialPhonePort::Input()
{
    if (!m_port->isOpen())
        return {};
    return QString::fromLatin1(m_port->readAll());
}

void QSerialPhonePort::onError(int error)
{
    // A vanished device (a USB adapter pulled out, the other end of a pseudo-terminal gone)
    // reports a resource error or, again and again, a failed read or write: close it once,
    // say that the line is lost, and let the status tick show the disconnected state.
    if ((error == QSerialPort::ResourceError || error == QSerialPort::ReadError
         || error == QSerialPort::WriteError)
        && m_port->isOpen()) {
        m_port->close();
        emit LineLost();
        emit OnComm();
    }
}
