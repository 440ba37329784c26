// SPDX-License-Identifier: GPL-3.0-or-later
#include "app/qserialphoneport.h"

#include <QSerialPort>

QSerialPhonePort::QSerialPhonePort(QObject *parent)
    : PhonePort(parent)
    , m_port(new QSerialPort(this))
{
}

QSerialPhonePort::~QSerialPhonePort() = default;

bool QSerialPhonePort::PortOpen() const { return m_port->isOpen(); }
bool QSerialPhonePort::setPortOpen(bool) { return false; }
bool QSerialPhonePort::Output(const QString &) { return false; }
QString QSerialPhonePort::Input() { return {}; }
