#pragma once

#include "doctor/DoctorLines.h"
#include "doctor/DoctorReport.h"
#include "link/PortSystem.h"

#include <QCoreApplication>
#include <QString>
#include <QStringList>

class BoardSession;

// The link doctor over a board session: what the system says about the port (device and
// adapter, rights, other processes, services that take adapters over, the latency timer), then
// with the board connected the round trip, or the search for the board's speed. The window's
// "Check the Link" and `skyvane-cli doctor` run it alike.
class LinkDoctor
{
public:
    struct Setup
    {
        // The port as the user names it ("COM33", "/dev/ttyUSB0") and its speed.
        QString portName;
        QString speed = QStringLiteral("115200");
        // The polling rate and how many polls the round trip takes.
        int rateMs = 33;
        int polls = 100;
        // Whom the rights are checked for, the system's trees, and the program's own process
        // (not counted as a holder).
        UserAccount user = CurrentUser();
        SystemRoots roots;
        qint64 ownPid = QCoreApplication::applicationPid();
        // The speeds the search tries.
        QStringList speeds;
        DoctorLines::Remedies remedies;
    };

    LinkDoctor(BoardSession& session, Setup setup);

    // Every section and the round trip. The port is opened for it when closed, and closed
    // again after; an open port is measured as it is.
    DoctorReport check();
    // The sections of the system, then the speed search in place of the round trip.
    DoctorReport findSpeed();

private:
    DoctorReport systemSections(const QString& openFailure);
    // Opens the port when closed; the failure's text, "" when it is open.
    QString openIfClosed(bool& openedHere);
    bool lowLatencyInForce(const PortFacts& facts) const;

    BoardSession& m_session;
    Setup m_setup;
    PortFacts m_facts;
    // What "Low latency" did at the doctor's own opening of the port ("" for nothing).
    QString m_lowLatencyNote;
};

// The device a port name stands for ("COM33" -> "/dev/ttyUSB0"; a path as it is).
QString DeviceOfPortName(const QString& portName);
