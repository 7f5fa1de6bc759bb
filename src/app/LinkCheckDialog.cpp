#include "app/LinkCheckDialog.h"

#include <QCheckBox>
#include <QClipboard>
#include <QFontDatabase>
#include <QGuiApplication>
#include <QHBoxLayout>
#include <QLabel>
#include <QPlainTextEdit>
#include <QPushButton>
#include <QVBoxLayout>

LinkCheckDialog::LinkCheckDialog(Actions actions, QWidget* parent)
    : QDialog(parent), m_actions(std::move(actions))
{
    setWindowTitle(QStringLiteral("Check the Link"));
    m_summary = new QLabel(this);
    m_report = new QPlainTextEdit(this);
    m_report->setObjectName(QStringLiteral("report"));
    m_report->setReadOnly(true);
    m_report->setLineWrapMode(QPlainTextEdit::NoWrap);
    m_report->setFont(QFontDatabase::systemFont(QFontDatabase::FixedFont));

    m_lowLatency = new QCheckBox(QStringLiteral("&Low latency (at each opening of the port; by "
                                                "default for FTDI adapters)"),
                                 this);
    m_lowLatency->setObjectName(QStringLiteral("lowLatency"));
    if (m_actions.lowLatency)
        m_lowLatency->setChecked(m_actions.lowLatency());
    // Only the user's own click is a choice to store.
    connect(m_lowLatency, &QCheckBox::clicked, this, [this](bool on) {
        if (m_actions.setLowLatency)
            m_actions.setLowLatency(on);
    });

    m_check = new QPushButton(QStringLiteral("Check &Again"), this);
    m_check->setObjectName(QStringLiteral("checkAgain"));
    m_findSpeed = new QPushButton(QStringLiteral("&Find Speed"), this);
    m_findSpeed->setObjectName(QStringLiteral("findSpeed"));
    m_copy = new QPushButton(QStringLiteral("&Copy"), this);
    m_copy->setObjectName(QStringLiteral("copy"));
    m_close = new QPushButton(QStringLiteral("Close"), this);
    m_close->setObjectName(QStringLiteral("close"));
    connect(m_check, &QPushButton::clicked, this, &LinkCheckDialog::runCheck);
    connect(m_findSpeed, &QPushButton::clicked, this, &LinkCheckDialog::runFindSpeed);
    connect(m_copy, &QPushButton::clicked, this, &LinkCheckDialog::copy);
    connect(m_close, &QPushButton::clicked, this, &QDialog::reject);

    auto* buttons = new QHBoxLayout;
    buttons->addWidget(m_check);
    buttons->addWidget(m_findSpeed);
    buttons->addStretch(1);
    buttons->addWidget(m_copy);
    buttons->addWidget(m_close);
    auto* layout = new QVBoxLayout(this);
    layout->addWidget(m_summary);
    layout->addWidget(m_report, 1);
    layout->addWidget(m_lowLatency);
    layout->addLayout(buttons);
    resize(820, 520);
}

QString LinkCheckDialog::reportText() const
{
    return m_report->toPlainText();
}

void LinkCheckDialog::runCheck()
{
    run(m_actions.check, QStringLiteral("Checking the link..."));
}

void LinkCheckDialog::runFindSpeed()
{
    run(m_actions.findSpeed, QStringLiteral("Looking for the board's speed..."));
}

void LinkCheckDialog::run(const std::function<DoctorReport()>& doctor, const QString& doing)
{
    // The doctor waits in nested event loops: a second press meanwhile is not another run.
    if (m_running || !doctor)
        return;
    m_running = true;
    for (QPushButton* b : {m_check, m_findSpeed, m_copy})
        b->setEnabled(false);
    m_summary->setText(doing);
    m_report->clear();
    const DoctorReport report = doctor();
    m_report->setPlainText(report.text());
    const int problems = report.count(DoctorLine::Problem);
    const int warnings = report.count(DoctorLine::Warning);
    m_summary->setText(problems + warnings == 0
                           ? QStringLiteral("The link is fine.")
                           : QStringLiteral("%1 problem(s), %2 warning(s): the remedies are "
                                            "below each line.")
                                 .arg(problems)
                                 .arg(warnings));
    for (QPushButton* b : {m_check, m_findSpeed, m_copy})
        b->setEnabled(true);
    m_running = false;
    emit reported();
}

void LinkCheckDialog::copy()
{
    QGuiApplication::clipboard()->setText(m_report->toPlainText());
}
