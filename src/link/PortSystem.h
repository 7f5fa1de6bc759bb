#pragma once

#include <QList>
#include <QString>
#include <QStringList>

// What the operating system tells about a serial port's device, read only: the adapter behind
// it, who may open it, who holds it, which services may take it over, and the adapter's latency
// timer. Linux reads /dev, /proc and /sys; Windows asks its device list and registry where they
// have the answer, and says what it cannot tell. Tests hand in trees and accounts of their own.

// Where the system's trees are (Linux): tests make their own.
struct SystemRoots
{
    QString sys = QStringLiteral("/sys");
    QString proc = QStringLiteral("/proc");
};

// The account the checks are made for.
struct UserAccount
{
    unsigned uid = 0;
    QString name;
    // The groups of this login session (a group added since it began is not among them).
    QList<unsigned> groups;
};

// The account the program runs as.
UserAccount CurrentUser();

struct AdapterFacts
{
    // A USB adapter was found behind the device.
    bool usb = false;
    quint16 vendorId = 0;
    quint16 productId = 0;
    QString manufacturer;
    QString product;
    QString serialNumber;
    // The kernel driver ("ftdi_sio", "cp210x", "cdc_acm") or the Windows service ("FTDIBUS").
    QString driver;
};

struct AccessFacts
{
    // False where the platform has no such rights (Windows); then `note` says so.
    bool known = false;
    QString note;
    bool exists = false;
    QString owner;
    QString group;
    // The permission bits (0660).
    unsigned mode = 0;
    // The account may read and write the device.
    bool mayOpen = false;
    // The device's group is one of the session's groups.
    bool inGroup = false;
    // The group database lists the account in the device's group (perhaps only since the
    // session began).
    bool listedInGroup = false;
};

struct PortHolder
{
    qint64 pid = 0;
    QString name;
};

struct LatencyFacts
{
    // The driver has a latency timer and its value could be read.
    bool present = false;
    int ms = 0;
    // Where it was read (the sysfs file, the registry key).
    QString where;
    // Why nothing could be read, where there is something to say.
    QString note;
};

struct PortFacts
{
    // The device the name stands for, symbolic links followed ("/dev/ttyUSB0").
    QString device;
    AdapterFacts adapter;
    AccessFacts access;
    // Whether other processes can be seen at all; `holdersNote` says why not.
    bool holdersKnown = false;
    QString holdersNote;
    QList<PortHolder> holders;
    // For a pseudo-terminal: the processes holding its other (master) side, the board's end.
    // They may also hold the device itself.
    QList<PortHolder> otherEnd;
    // Services known to open new serial adapters themselves ("ModemManager", "brltty").
    QStringList grabbers;
    LatencyFacts latency;
};

// The facts about `device` for `user`; the process `ownPid` (the program itself) is not
// counted among the holders.
PortFacts ProbePort(const QString& device, const UserAccount& user, qint64 ownPid,
                    const SystemRoots& roots = SystemRoots());
