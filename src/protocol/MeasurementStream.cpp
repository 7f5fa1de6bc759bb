#include "protocol/MeasurementStream.h"

#include <algorithm>

int MeasurementStream::subscribe(Listener listener)
{
    m_listeners.push_back({m_next, std::move(listener)});
    return m_next++;
}

void MeasurementStream::unsubscribe(int handle)
{
    std::erase_if(m_listeners, [handle](const Entry& e) { return e.handle == handle; });
}

void MeasurementStream::publish(const Measurement& m)
{
    // A listener may unsubscribe (a closing window) while the stream is published.
    const std::vector<Entry> listeners = m_listeners;
    for (const Entry& e : listeners)
        e.listener(m);
}
