#include "doctor/LinkDoctor.h"

#include "doctor/RoundTrip.h"
#include "doctor/SpeedSearch.h"
#include "link/PortNames.h"
#include "session/BoardSession.h"

#include <QDateTime>

namespace {

bool isNetworkName(const QString& name)
{
    return name.trimmed().startsWith(QLatin1String("socket://"), Qt::CaseInsensitive);
}

QString modeRefusal(BoardSession::Mode mode)
{
    if (mode == BoardSession::Mode::Download)
        return QStringLiteral("not measured: a firmware download has the port");
    if (mode == BoardSession::Mode::Replay)
        return QStringLiteral("not measured: a replay runs, the port is not read");
    return {};
}

} // namespace

QString DeviceOfPortName(const QString& portName)
{
    if (portName.startsWith(QLatin1Char('/')) || isNetworkName(portName))
        return portName;
    const PortNameResult number = ComNumberOfName(portName);
    return number.ok ? DeviceForComNumber(number.number) : QString();
}

LinkDoctor::LinkDoctor(BoardSession& session, Setup setup)
    : m_session(session), m_setup(std::move(setup))
{}

bool LinkDoctor::lowLatencyInForce(const PortFacts& facts) const
{
    const LowLatencyChoice choice = m_session.port().lowLatency();
    if (!m_session.port().PortOpen())
        return false;
    return choice == LowLatencyChoice::On ||
           (choice == LowLatencyChoice::Ftdi && facts.adapter.driver == QLatin1String("ftdi_sio"));
}

QString LinkDoctor::openIfClosed(bool& openedHere)
{
    openedHere = false;
    if (m_session.port().PortOpen())
        return {};
    if (m_session.OpenPort(m_setup.portName, m_setup.speed)) {
        openedHere = true;
        m_lowLatencyNote = m_session.port().lowLatencyNote();
        return {};
    }
    return m_session.link().lastError().description;
}

DoctorReport LinkDoctor::systemSections(const QString& openFailure)
{
    DoctorReport report;
    const QString device = DeviceOfPortName(m_setup.portName);
    report.heading =
        QStringLiteral("Check the Link: %1%2 at %3 Bd, polled every %4 ms, %5")
            .arg(m_setup.portName,
                 device.isEmpty() || device == m_setup.portName
                     ? QString()
                     : QStringLiteral(" (%1)").arg(device),
                 m_setup.speed)
            .arg(m_setup.rateMs)
            .arg(QDateTime::currentDateTime().toString(QStringLiteral("yyyy-MM-dd HH:mm:ss")));
    if (device.isEmpty()) {
        report.sections.append(
            {QStringLiteral("Device"),
             {DoctorLine{DoctorLine::Problem,
                         QStringLiteral("%1 names no port: %2")
                             .arg(m_setup.portName, openFailure.isEmpty()
                                                        ? QStringLiteral("no such device")
                                                        : openFailure),
                         {QStringLiteral("skyvane-cli ports")}}}});
        return report;
    }
    if (isNetworkName(device)) {
        QList<DoctorLine> lines{DoctorLine{
            DoctorLine::Ok,
            QStringLiteral("%1 is a network link: the checks of a serial device do not apply")
                .arg(device),
            {}}};
        if (!openFailure.isEmpty())
            lines << DoctorLine{DoctorLine::Problem,
                                QStringLiteral("the link does not open: %1").arg(openFailure),
                                {}};
        report.sections.append({QStringLiteral("Device"), lines});
        return report;
    }
    m_facts = ProbePort(device, m_setup.user, m_setup.ownPid, m_setup.roots);
    report.sections.append(
        {QStringLiteral("Device"), DoctorLines::device(m_setup.portName, m_facts, openFailure)});
    if (m_facts.access.known && !m_facts.access.exists)
        return report;
    QList<DoctorLine> access = DoctorLines::access(m_facts, m_setup.user);
    access << DoctorLines::holders(m_facts);
    access << DoctorLines::services(m_facts);
    report.sections.append({QStringLiteral("Access"), access});
    QList<DoctorLine> latency =
        DoctorLines::latency(m_facts, m_setup.rateMs, lowLatencyInForce(m_facts));
    if (!m_lowLatencyNote.isEmpty())
        latency << DoctorLines::lowLatencyNote(m_lowLatencyNote);
    report.sections.append({QStringLiteral("Latency"), latency});
    return report;
}

DoctorReport LinkDoctor::check()
{
    const QString refusal = modeRefusal(m_session.mode());
    bool openedHere = false;
    const QString openFailure = refusal.isEmpty() ? openIfClosed(openedHere) : QString();
    DoctorReport report = systemSections(openFailure);
    QList<DoctorLine> measured;
    if (!refusal.isEmpty()) {
        measured << DoctorLine{DoctorLine::Warning, refusal, {}};
    } else if (openFailure.isEmpty()) {
        const RoundTripFigures figures =
            RoundTrip(m_session).measure(m_setup.rateMs, m_setup.polls);
        measured = DoctorLines::roundTrip(figures, m_setup.speed.toInt(), m_setup.remedies);
    }
    if (openedHere)
        m_session.ClosePort();
    if (!measured.isEmpty())
        report.sections.append({QStringLiteral("Round trip"), measured});
    return report;
}

DoctorReport LinkDoctor::findSpeed()
{
    const QString refusal = modeRefusal(m_session.mode());
    DoctorReport report = systemSections(QString());
    QList<DoctorLine> lines;
    if (!refusal.isEmpty()) {
        lines << DoctorLine{DoctorLine::Warning, refusal, {}};
    } else {
        const SpeedSearchResult result =
            FindSpeed(m_session, m_setup.portName, m_setup.speed, m_setup.speeds);
        lines = DoctorLines::speed(result, m_setup.speed, m_setup.remedies);
    }
    report.sections.append({QStringLiteral("Speed"), lines});
    return report;
}
