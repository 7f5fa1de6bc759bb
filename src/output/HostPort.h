#pragma once

#include <QString>

// A UDP destination typed as HOST:PORT: "127.0.0.1:9870", "localhost:9870", "[::1]:9870".
struct HostPort
{
    QString host;
    quint16 port = 0;
    // Empty when the text is usable; otherwise what is wrong with it.
    QString error;
    bool ok() const { return error.isEmpty(); }
    // "127.0.0.1:9870", "[::1]:9870".
    QString text() const;

    static HostPort parse(const QString& text);
};
