// SPDX-License-Identifier: GPL-3.0-or-later
#include "fakephoneport.h"

bool FakePhonePort::setPortOpen(bool open)
{
    if (!open) {
        const bool was = m_open;
        m_open = false;
        return was;
    }
    if (failOpen || m_open)
        return false;
    m_open = true;
    ++openCount;
    return true;
}

bool FakePhonePort::Output(const QString &text)
{
    if (!m_open) {
        ++refusedWrites;
        return false;
    }
    writes << text;
    return true;
}

QString FakePhonePort::Input()
{
    QString out;
    out.swap(m_pending);
    return out;
}

void FakePhonePort::deliver(const QString &text)
{
    m_pending += text;
    emit OnComm();
}

void FakePhonePort::dropLine()
{
    if (!m_open)
        return;
    m_open = false;
    m_pending.clear();
    emit LineLost();
    emit OnComm();
}
