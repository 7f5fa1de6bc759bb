#include "doctor/DoctorLines.h"

#include <QStringList>

#include <cmath>

namespace {

using Verdict = DoctorLine::Verdict;

DoctorLine line(Verdict verdict, const QString& text, const QStringList& remedy = {})
{
    return DoctorLine{verdict, text, remedy};
}

QString ms(double value)
{
    return QStringLiteral("%1 ms").arg(value, 0, 'f', value < 10 ? 2 : 1);
}

QString hex4(quint16 value)
{
    return QStringLiteral("%1").arg(value, 4, 16, QLatin1Char('0'));
}

QString modeText(unsigned mode)
{
    return QStringLiteral("%1").arg(mode, 4, 8, QLatin1Char('0'));
}

QString usbIds(const AdapterFacts& a)
{
    return QStringLiteral("ATTRS{idVendor}==\"%1\", ATTRS{idProduct}==\"%2\"")
        .arg(hex4(a.vendorId), hex4(a.productId));
}

} // namespace

namespace DoctorLines {

double WireMs(int bytes, int baud)
{
    if (baud <= 0)
        return 0;
    return double(bytes) * 10.0 * 1000.0 / double(baud);
}

QList<DoctorLine> device(const QString& portName, const PortFacts& facts,
                         const QString& openFailure)
{
    QList<DoctorLine> lines;
    if (facts.access.known && !facts.access.exists) {
        lines << line(Verdict::Problem,
                      QStringLiteral("%1 stands for %2, which does not exist: nothing is plugged "
                                     "in under that name; the ports present:")
                          .arg(portName, facts.device),
                      {QStringLiteral("skyvane-cli ports")});
        return lines;
    }
    lines << line(Verdict::Ok, portName == facts.device
                                   ? QStringLiteral("the port is %1").arg(facts.device)
                                   : QStringLiteral("%1 is %2").arg(portName, facts.device));
    const AdapterFacts& a = facts.adapter;
    if (a.usb) {
        QStringList parts;
        QString name = a.product.isEmpty() ? QStringLiteral("a USB adapter") : a.product;
        if (!a.manufacturer.isEmpty())
            name += QStringLiteral(" by ") + a.manufacturer;
        parts << name << QStringLiteral("USB %1:%2").arg(hex4(a.vendorId), hex4(a.productId));
        parts << (a.serialNumber.isEmpty()
                      ? QStringLiteral("no serial number")
                      : QStringLiteral("serial number %1").arg(a.serialNumber));
        if (!a.driver.isEmpty())
            parts << QStringLiteral("driver %1").arg(a.driver);
        lines << line(Verdict::Ok, QStringLiteral("adapter: ") + parts.join(QStringLiteral(", ")));
    } else {
        lines << line(Verdict::Ok,
                      a.driver.isEmpty()
                          ? QStringLiteral("no USB adapter behind it (a pseudo-terminal or a port "
                                           "the system does not describe)")
                          : QStringLiteral("no USB adapter behind it; driver %1").arg(a.driver));
    }
    if (!openFailure.isEmpty())
        lines << line(Verdict::Problem,
                      QStringLiteral("the port does not open: %1").arg(openFailure));
    return lines;
}

QList<DoctorLine> access(const PortFacts& facts, const UserAccount& user)
{
    const AccessFacts& a = facts.access;
    if (!a.known)
        return {line(Verdict::Ok, a.note + QLatin1Char('.'))};
    if (!a.exists)
        return {};
    const QString owner =
        QStringLiteral("owner %1, group %2, mode %3").arg(a.owner, a.group, modeText(a.mode));
    if (a.mayOpen)
        return {line(Verdict::Ok, QStringLiteral("%1 may open it (%2)").arg(user.name, owner))};
    const bool groupMay = ((a.mode >> 3) & 06) == 06;
    if (groupMay && a.listedInGroup)
        return {line(Verdict::Problem,
                     QStringLiteral("%1 may not open it yet (%2): %1 was added to %3 after this "
                                    "login began; log out and in again, or start a shell with "
                                    "the group:")
                         .arg(user.name, owner, a.group),
                     {QStringLiteral("newgrp %1").arg(a.group)})};
    if (groupMay)
        return {line(Verdict::Problem,
                     QStringLiteral("%1 may not open it (%2): %1 is not in group %3; add the "
                                    "account to it, then log out and in again:")
                         .arg(user.name, owner, a.group),
                     {QStringLiteral("sudo usermod -aG %1 %2").arg(a.group, user.name)})};
    return {line(Verdict::Problem,
                 QStringLiteral("%1 may not open it (%2); until it is plugged in again:")
                     .arg(user.name, owner),
                 {QStringLiteral("sudo setfacl -m u:%1:rw %2").arg(user.name, facts.device)})};
}

QList<DoctorLine> holders(const PortFacts& facts)
{
    if (!facts.holdersKnown)
        return {line(Verdict::Ok, facts.holdersNote + QLatin1Char('.'))};
    QList<DoctorLine> lines;
    for (const PortHolder& h : facts.otherEnd)
        lines << line(Verdict::Ok,
                      QStringLiteral("%1 (process %2) is the other end of the pseudo-terminal")
                          .arg(h.name)
                          .arg(h.pid));
    if (facts.holders.isEmpty())
        return lines << line(Verdict::Ok, QStringLiteral("no other process has it open"));
    for (const PortHolder& h : facts.holders)
        lines << line(Verdict::Problem,
                      QStringLiteral("%1 (process %2) has it open: the port is busy, or the two "
                                     "programs take each other's bytes; end that program:")
                          .arg(h.name.isEmpty() ? QStringLiteral("a program") : h.name)
                          .arg(h.pid),
                      {QStringLiteral("kill %1").arg(h.pid)});
    return lines;
}

QList<DoctorLine> services(const PortFacts& facts)
{
    const AdapterFacts& a = facts.adapter;
    QList<DoctorLine> lines;
    for (const QString& service : facts.grabbers) {
        if (!a.usb) {
            lines << line(Verdict::Ok,
                          QStringLiteral("%1 runs; it takes over USB adapters only").arg(service));
            continue;
        }
        if (service == QLatin1String("ModemManager")) {
            lines << line(
                Verdict::Warning,
                QStringLiteral("ModemManager runs: it may open a new adapter for a few seconds to "
                               "look for a modem, and the port is busy meanwhile; let it leave "
                               "this adapter (%1:%2) alone:")
                    .arg(hex4(a.vendorId), hex4(a.productId)),
                {QStringLiteral("echo '%1, ENV{ID_MM_DEVICE_IGNORE}=\"1\"' | sudo tee "
                                "/etc/udev/rules.d/99-skyvane-modemmanager.rules")
                     .arg(usbIds(a)),
                 QStringLiteral("sudo udevadm control --reload-rules")});
        } else {
            lines << line(Verdict::Warning,
                          QStringLiteral("brltty runs: it claims some USB serial adapters as "
                                         "braille displays, and the port then vanishes; if "
                                         "no braille display is used here:"),
                          {QStringLiteral("sudo systemctl mask brltty-udev.service"),
                           QStringLiteral("sudo systemctl stop brltty-udev.service")});
        }
    }
    if (lines.isEmpty())
        lines << line(Verdict::Ok, QStringLiteral("neither ModemManager nor brltty runs"));
    return lines;
}

QList<DoctorLine> latency(const PortFacts& facts, int rateMs, bool lowLatencyOn)
{
    const LatencyFacts& l = facts.latency;
    if (!l.present) {
        if (!l.note.isEmpty())
            return {line(Verdict::Warning, l.note + QLatin1Char('.'))};
        return {line(Verdict::Ok,
                     QStringLiteral("no latency timer: the driver hands on bytes as they come"))};
    }
    if (l.ms <= 1)
        return {line(Verdict::Ok, QStringLiteral("latency timer %1 ms").arg(l.ms))};
    if (lowLatencyOn)
        return {line(Verdict::Ok,
                     QStringLiteral("latency timer %1 ms in the driver's settings; \"Low "
                                    "latency\" is on, so the adapter holds bytes 1 ms while "
                                    "the program has the port open")
                         .arg(l.ms))};
    const QString cost = rateMs > 0 ? QStringLiteral("%1 % of the %2 ms between polls")
                                          .arg(qRound(100.0 * l.ms / rateMs))
                                          .arg(rateMs)
                                    : QStringLiteral("with no polling rate set");
    const Verdict verdict = rateMs > 0 && l.ms >= rateMs ? Verdict::Problem : Verdict::Warning;
    QString text = QStringLiteral("latency timer %1 ms: the adapter holds each reply up to %1 ms, "
                                  "%2")
                       .arg(l.ms)
                       .arg(cost);
    if (verdict == Verdict::Problem)
        text += QStringLiteral(", so frames come in bursts");
    QStringList remedy;
    if (l.where.startsWith(QLatin1String("HKEY_"))) {
        text += QStringLiteral("; set it to 1 in the Device Manager (Ports, the port, Port "
                               "Settings, Advanced, Latency Timer)");
    } else {
        text += QStringLiteral("; turn on \"Low latency\", or set the timer to 1 ms for every "
                               "program, now and at each plug-in:");
        remedy << QStringLiteral("echo 'ACTION==\"add\", SUBSYSTEM==\"usb-serial\", "
                                 "DRIVER==\"ftdi_sio\", ATTR{latency_timer}=\"1\"' | sudo tee "
                                 "/etc/udev/rules.d/99-skyvane-latency.rules")
               << QStringLiteral("echo 1 | sudo tee %1").arg(l.where);
    }
    return {line(verdict, text, remedy)};
}

DoctorLine lowLatencyNote(const QString& note)
{
    const bool done = note.startsWith(QLatin1String("Low latency on")) ||
                      note.startsWith(QLatin1String("Low latency off"));
    return line(done ? Verdict::Ok : Verdict::Warning, note);
}

QList<DoctorLine> roundTrip(const RoundTripFigures& f, int baud, const Remedies& remedies)
{
    QList<DoctorLine> lines;
    if (f.interrupted && f.polls == 0)
        return {line(Verdict::Problem, QStringLiteral("not measured: the port is not open"))};
    if (f.interrupted)
        return {line(
            Verdict::Problem,
            QStringLiteral("the port closed or the link was lost after %1 polls").arg(f.polls))};
    if (f.answered == 0) {
        QStringList remedy;
        if (!remedies.findSpeed.isEmpty())
            remedy << remedies.findSpeed;
        return {line(Verdict::Problem,
                     QStringLiteral("no frame came back to %1 \"F\" requests at %2 Bd: the "
                                    "board is off, not connected, or talks at another speed; "
                                    "look for its speed:")
                         .arg(f.polls)
                         .arg(baud),
                     remedy)};
    }
    const double median = Percentile(f.roundTripsMs, 0.5);
    const double wireFrame = WireMs(f.frameBytes, baud);
    const double wireRequest = WireMs(1, baud);
    const double expected = wireFrame + wireRequest;
    QString text = QStringLiteral("round trip \"F\" to frame: median %1, 95 % %2, largest %3 "
                                  "over %4 polls")
                       .arg(ms(median), ms(Percentile(f.roundTripsMs, 0.95)),
                            ms(Percentile(f.roundTripsMs, 1.0)))
                       .arg(f.answered);
    // A reply needs the wire's time and a little for the board and the system; much more is a
    // latency timer or a slow bridge holding the bytes.
    constexpr double SlackMs = 4.0;
    Verdict verdict = Verdict::Ok;
    if (median > expected + SlackMs) {
        verdict = Verdict::Warning;
        text += QStringLiteral("; %1 more than the wire needs: an adapter's latency timer or "
                               "a slow bridge holds the replies")
                    .arg(ms(median - expected));
    }
    lines << line(verdict, text);
    QString wire = QStringLiteral("on the wire at %1 Bd: %2 for the %3-byte frame, %4 for "
                                  "\"F\"")
                       .arg(baud)
                       .arg(ms(wireFrame))
                       .arg(f.frameBytes)
                       .arg(ms(wireRequest));
    if (median < expected)
        wire += QStringLiteral(" (the replies came faster: a pseudo-terminal or a network link "
                               "has no line speed)");
    lines << line(Verdict::Ok, wire);

    if (f.intervalsMs.size() >= 2 && f.rateMs > 0) {
        QList<double> off;
        int bursts = 0;
        for (double interval : f.intervalsMs) {
            off << std::abs(interval - f.rateMs);
            bursts += interval < f.rateMs / 2.0 ? 1 : 0;
        }
        const double jitter = StandardDeviation(f.intervalsMs);
        QString text = QStringLiteral("frame interval at %1 ms: mean %2, jitter %3 (standard "
                                      "deviation), 95 % within %4 of the rate")
                           .arg(f.rateMs)
                           .arg(ms(Mean(f.intervalsMs)), ms(jitter), ms(Percentile(off, 0.95)));
        Verdict v = Verdict::Ok;
        if (bursts > 0) {
            v = Verdict::Warning;
            text += QStringLiteral("; %1 frames came less than half an interval after the one "
                                   "before (bursts)")
                        .arg(bursts);
        } else if (jitter > f.rateMs / 4.0) {
            v = Verdict::Warning;
            text += QStringLiteral("; the frames do not keep the rate");
        }
        if (median > f.rateMs) {
            v = Verdict::Warning;
            text += QStringLiteral("; replies take longer than the poll interval, so polls are "
                                   "left out");
        }
        lines << line(v, text);
    }

    const int lostShare = f.polls > 0 ? qRound(100.0 * f.lost / f.polls) : 0;
    Verdict v = Verdict::Ok;
    if (f.skippedBytes > 0 || f.lost > 0)
        v = Verdict::Warning;
    if (lostShare >= 10)
        v = Verdict::Problem;
    QString counts = QStringLiteral("bytes skipped as noise: %1 of %2; frames lost: %3 of %4")
                         .arg(f.skippedBytes)
                         .arg(f.bytesReceived)
                         .arg(f.lost)
                         .arg(f.polls);
    if (f.skippedBytes > 0)
        counts += QStringLiteral("; noise on the line, or a board talking at another speed");
    lines << line(v, counts);
    return lines;
}

QList<DoctorLine> speed(const SpeedSearchResult& result, const QString& userSpeed,
                        const Remedies& remedies)
{
    QList<DoctorLine> lines;
    QStringList unopened;
    for (const SpeedTry& attempt : result.tries) {
        if (!attempt.opened)
            unopened << attempt.speed;
    }
    if (!unopened.isEmpty())
        lines << line(Verdict::Warning, QStringLiteral("the port did not open at %1 Bd")
                                            .arg(unopened.join(QStringLiteral(", "))));
    if (result.found.isEmpty()) {
        lines << line(Verdict::Problem,
                      QStringLiteral("no speed of the list brought a frame back (%1 tried): "
                                     "check the cable, the board's power and its firmware")
                          .arg(result.tries.size()));
    } else if (result.found == userSpeed) {
        lines << line(
            Verdict::Ok,
            QStringLiteral("the board answers at %1 Bd, the speed chosen").arg(userSpeed));
    } else {
        QStringList remedy;
        if (remedies.useSpeed)
            remedy << remedies.useSpeed(result.found);
        lines << line(Verdict::Problem,
                      QStringLiteral("the board answers at %1 Bd, not at %2 Bd: use %1")
                          .arg(result.found, userSpeed),
                      remedy);
    }
    lines << (result.restored
                  ? line(Verdict::Ok, QStringLiteral("the port is back at %1 Bd").arg(userSpeed))
                  : line(Verdict::Problem,
                         QStringLiteral("the port did not open again at %1 Bd").arg(userSpeed)));
    return lines;
}

} // namespace DoctorLines
