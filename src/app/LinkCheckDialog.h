#pragma once

#include "doctor/DoctorReport.h"

#include <QDialog>

#include <functional>

class QCheckBox;
class QLabel;
class QPlainTextEdit;
class QPushButton;

// Help > "Check the Link..." (Ctrl+L): the link doctor's report as plain text the user can copy,
// a new check, the search for the board's speed, and the "Low latency" setting.
class LinkCheckDialog : public QDialog
{
    Q_OBJECT
public:
    struct Actions
    {
        // Each runs the doctor (waiting in nested event loops) and gives its report.
        std::function<DoctorReport()> check;
        std::function<DoctorReport()> findSpeed;
        // Whether "Low latency" is on, and its change by the user.
        std::function<bool()> lowLatency;
        std::function<void(bool)> setLowLatency;
    };

    explicit LinkCheckDialog(Actions actions, QWidget* parent = nullptr);

    // Runs a check and shows its report (or the speed search's).
    void runCheck();
    void runFindSpeed();
    // The report shown, as the Copy button copies it.
    QString reportText() const;
    bool running() const { return m_running; }

signals:
    // A report is shown.
    void reported();

private:
    void run(const std::function<DoctorReport()>& doctor, const QString& doing);
    void copy();

    Actions m_actions;
    QLabel* m_summary;
    QPlainTextEdit* m_report;
    QCheckBox* m_lowLatency;
    QPushButton* m_check;
    QPushButton* m_findSpeed;
    QPushButton* m_copy;
    QPushButton* m_close;
    bool m_running = false;
};
