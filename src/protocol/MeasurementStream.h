#pragma once

#include "protocol/Measurement.h"

#include <functional>
#include <vector>

// The one place where decoded measurements fan out: the window's views, the recorder, the
// plots and the field view subscribe here. Listeners run in the order they subscribed.
class MeasurementStream
{
public:
    using Listener = std::function<void(const Measurement&)>;

    // Returns a handle for unsubscribe().
    int subscribe(Listener listener);
    void unsubscribe(int handle);
    void publish(const Measurement& m);
    int listenerCount() const { return int(m_listeners.size()); }

private:
    struct Entry
    {
        int handle;
        Listener listener;
    };
    std::vector<Entry> m_listeners;
    int m_next = 1;
};
