// SPDX-License-Identifier: GPL-3.0-or-later
#include "fakephoneport.h"

bool FakePhonePort::setPortOpen(bool open)
{
    if (!open)
        return std::exchange(m_open, false);
    if (failOpen || m_open)
        return false;
    ++openCount;
    return m_open = true;
}

bool FakePhonePort::Output(const QString &text)
{
    if (m_open)
        writes << text;
    else
        ++refusedWrites;
    return m_open;
}

void FakePhonePort::dropLine()
{
    if (!std::exchange(m_open, false))
        return;
    m_pending.clear();
    emit LineLost();
    emit OnComm();
}
