// SPDX-License-Identifier: GPL-3.0-or-later
#include "app/qserialphoneport.h"

#include "app/porttrace.h"

#include <QDir>
#include <QDirIterator>
#include <QFileInfo>
#include <QSerialPort>
#include <QSerialPortInfo>

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
        close(QStringLiteral("closed at the end"));
}

QString QSerialPhonePort::DeviceFor(int n) { return PortDevice::DeviceFor(n); }

QString QSerialPhonePort::DeviceName() const
{
    return PortDevice::Describe(DeviceFor(CommPort()));
}

QList<PortDevice::DeviceInfo> QSerialPhonePort::AvailableDevices()
{
    // The by-id names survive re-plugging and renumbering: a link made to one keeps
    // reaching the same adapter.
    QHash<QString, QString> stable;
    QDirIterator byId(QStringLiteral("/dev/serial/by-id"), QDir::System | QDir::Files);
    while (byId.hasNext()) {
        const QString path = byId.next();
        stable.insert(QFileInfo(path).canonicalFilePath(), path);
    }
    QList<PortDevice::DeviceInfo> out;
    for (const QSerialPortInfo &info : QSerialPortInfo::availablePorts()) {
        PortDevice::DeviceInfo d;
        d.path = info.systemLocation();
        d.stablePath = stable.value(QFileInfo(d.path).canonicalFilePath());
        d.description = info.description();
        d.manufacturer = info.manufacturer();
        if (info.hasVendorIdentifier() && info.hasProductIdentifier())
            d.usbId = QStringLiteral("%1:%2")
                          .arg(info.vendorIdentifier(), 4, 16, QLatin1Char('0'))
                          .arg(info.productIdentifier(), 4, 16, QLatin1Char('0'));
        d.serialNumber = info.serialNumber();
        out << d;
    }
    std::sort(out.begin(), out.end(), [](const auto &a, const auto &b) { return a.path < b.path; });
    return out;
}

void QSerialPhonePort::close(const QString &why)
{
    m_port->close();
    if (m_trace)
        m_trace->note(why);
}

bool QSerialPhonePort::PortOpen() const { return m_port->isOpen(); }

bool QSerialPhonePort::setPortOpen(bool open)
{
    if (!open) {
        if (!m_port->isOpen())
            return false;
        close(QStringLiteral("closed"));
        return true;
    }
    if (m_port->isOpen())
        return false;
    const auto s = ParseSerialSettings(Settings());
    const QString device = DeviceFor(CommPort());
    if (!s) {
        m_lastError = QStringLiteral("invalid settings");
        setLastOpenFailure({device, m_lastError, {}, {}, PortDevice::Cause::Other});
        return false;
    }
#ifdef Q_OS_WIN
    m_port->setPortName(device);
#else
    // QSerialPort takes a name under /dev or an absolute path; resolve a link so the
    // lock file is named after the real device.
    const QFileInfo info(device);
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
        const auto failure = PortDevice::Diagnose(
            device, m_lastError, m_port->error() == QSerialPort::PermissionError);
        setLastOpenFailure(failure);
        if (m_trace)
            m_trace->note(QStringLiteral("cannot open ") + failure.device + QStringLiteral(": ")
                          + failure.reason);
        return false;
    }
    m_lastError.clear();
    setLastOpenFailure({});
    if (m_trace)
        m_trace->note(QStringLiteral("opened ") + PortDevice::Describe(device)
                      + QStringLiteral(" as port %1, %2, flow control %3")
                            .arg(CommPort())
                            .arg(Settings())
                            .arg(Handshaking()));
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
    if (m_trace)
        m_trace->sent(bytes);
    return m_port->write(bytes) == bytes.size();
}

QString QSerialPhonePort::Input()
{
    if (!m_port->isOpen())
        return {};
    const QByteArray bytes = m_port->readAll();
    if (m_trace && !bytes.isEmpty())
        m_trace->received(bytes);
    return QString::fromLatin1(bytes);
}

void QSerialPhonePort::onError(int error)
{
    // A vanished device (a USB adapter pulled out, the other end of a pseudo-terminal gone)
    // reports a resource error or, again and again, a failed read or write: close it once,
    // say that the line is lost, and let the status tick show the disconnected state.
    if ((error == QSerialPort::ResourceError || error == QSerialPort::ReadError
         || error == QSerialPort::WriteError)
        && m_port->isOpen()) {
        close(QStringLiteral("line lost: ") + m_port->errorString());
        emit LineLost();
        emit OnComm();
    }
}
