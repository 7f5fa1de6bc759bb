#include "support/FakeSerialControl.h"

void FakeSerialControl::setPortOpen(bool open)
{
    if (open == m_open)
        return;
    if (open) {
        if (refuseOpen)
            throw refusal;
        m_open = true;
        ++openCount;
        return;
    }
    m_open = false;
    emit closed();
}

QByteArray FakeSerialControl::Input()
{
    QByteArray out;
    out.swap(m_input);
    if (!out.isEmpty())
        emit received(out);
    return out;
}

bool FakeSerialControl::Output(const QByteArray& bytes)
{
    if (!m_open)
        return false;
    written += bytes;
    return true;
}

void FakeSerialControl::feed(const QByteArray& bytes)
{
    m_input += bytes;
    if (m_open)
        emit readyRead();
}

void FakeSerialControl::drop()
{
    setPortOpen(false);
}

QByteArray FakeSerialControl::InputAll()
{
    if (m_open) {
        m_input += m_unannounced;
        m_unannounced.clear();
    }
    return Input();
}
