#pragma once

#include <QList>
#include <QString>

// A USB serial adapter's identity, as the settings file remembers it: its serial number, or its
// vendor and product id where it has none. An adapter plugged in again may come back under
// another port name; its identity stays.
struct AdapterIdentity
{
    bool hasIds = false;
    quint16 vendorId = 0;
    quint16 productId = 0;
    QString serialNumber;

    bool isEmpty() const { return !hasIds && serialNumber.isEmpty(); }
    // The settings text: "0403:6001:A10K1234", "0403:6001:" without a serial number; "" for
    // none. A serial number holding a double quote or a line break (which the settings file
    // cannot keep) gives "".
    QString key() const;
    static AdapterIdentity fromKey(const QString& key);
    // The same adapter: equal serial numbers when this one has one (and equal ids where both
    // have them); otherwise equal ids.
    bool matches(const AdapterIdentity& other) const;
};

// A port present now, with its adapter where there is one.
struct AdapterPort
{
    // The window's port name ("COM34"), or the device path where no COM name stands for it.
    QString name;
    QString device;
    QString description;
    AdapterIdentity identity;
};

// The ports the system reports now.
QList<AdapterPort> PresentAdapters();
// "FT232R USB UART, A10K1234"; "FT232R USB UART, 0403:6001" without a serial number.
QString AdapterText(const AdapterPort& port);
// The identity of the port of that name in the list (empty when it is not there or has none).
AdapterIdentity IdentityOf(const QString& name, const QList<AdapterPort>& present);
// What names the adapter of that port in a file name: its serial number, else its ids
// ("0403-6001"), else the port's name itself.
QString AdapterFileTag(const QString& name, const QList<AdapterPort>& present);

// Where the remembered adapter is now.
struct FollowedPort
{
    QString name;
    bool moved = false;
    // "COM33 is now COM34: the same adapter (FT232R USB UART, A10K1234)." when moved.
    QString logLine;
};

// The port to open for the stored name: itself, unless its device is gone or holds another
// adapter while the remembered one is present under exactly one other name. Without a serial
// number an adapter is followed only when no other port has its ids.
FollowedPort FollowAdapter(const QString& storedName, const AdapterIdentity& remembered,
                           const QList<AdapterPort>& present);
