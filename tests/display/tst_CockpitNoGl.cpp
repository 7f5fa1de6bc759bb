#include "display/CockpitView.h"

#include <QAbstractButton>
#include <QApplication>
#include <QMessageBox>
#include <QTimer>
#include <QtTest>

// Runs on a platform without any OpenGL: the offscreen platform with no X display to
// borrow one from.
class CockpitNoGlTest : public QObject
{
    Q_OBJECT
private slots:
    void everySetUpReportsOnceAndDrawsStayHarmless();
    void defaultReportIsOneBoxThatNeverWaits();
    void withoutAReportAFailureIsSilent();
};

void CockpitNoGlTest::everySetUpReportsOnceAndDrawsStayHarmless()
{
    CockpitView view;
    view.resize(497, 321);
    view.show();
    QStringList reports;
    view.setFailureReport([&reports](const QString& message) { reports.append(message); });
    view.setFrameCapture(true);

    view.InitOpenGL();
    QCOMPARE(reports, QStringList{"format de pixels inconnu"});
    QVERIFY(!view.hasContext());
    view.DrawAttitude3D(0.1f, 0.2f);
    view.DrawAttitude3D(0.0f, 0.0f);
    QVERIFY(view.lastFrame().isNull());

    view.InitOpenGL();
    view.InitOpenGL();
    QCOMPARE(reports.size(), 3);
    QCOMPARE(reports.last(), QString("format de pixels inconnu"));
    view.DrawAttitude3D(1.0f, 1.0f);
    QCoreApplication::processEvents();
    QCOMPARE(reports.size(), 3);
}

void CockpitNoGlTest::defaultReportIsOneBoxThatNeverWaits()
{
    CockpitView view;
    view.resize(200, 100);
    view.show();
    const auto shownBoxes = [&view] {
        QList<QMessageBox*> shown;
        for (QMessageBox* box : view.findChildren<QMessageBox*>()) {
            if (box->isVisible()) {
                shown.append(box);
            }
        }
        return shown;
    };
    // A set-up that waited for its box would only come back once this answers it.
    int answered = 0;
    QTimer answer;
    answer.setInterval(300);
    connect(&answer, &QTimer::timeout, [&] {
        if (auto* box = qobject_cast<QMessageBox*>(QApplication::activeModalWidget())) {
            ++answered;
            box->button(QMessageBox::Ok)->click();
        }
    });
    answer.start();

    // Set-ups failing again while the box is open (Timer3 during a download) add none.
    view.InitOpenGL();
    view.InitOpenGL();
    view.InitOpenGL();
    QCOMPARE(answered, 0);
    QList<QMessageBox*> shown = shownBoxes();
    QCOMPARE(shown.size(), 1);
    QCOMPARE(shown[0]->text(), QString("format de pixels inconnu"));
    QVERIFY(shown[0]->isModal());
    QCOMPARE(QApplication::activeModalWidget(), shown[0]);
    QStringList buttons;
    for (QAbstractButton* button : shown[0]->buttons()) {
        buttons.append(button->text());
    }
    QCOMPARE(buttons, QStringList{"OK"});
    QVERIFY(!view.hasContext());
    answer.stop();

    // Once it is closed, the next failure shows one again.
    shown[0]->button(QMessageBox::Ok)->click();
    QTRY_VERIFY(view.findChildren<QMessageBox*>().isEmpty());
    view.InitOpenGL();
    QCOMPARE(shownBoxes().size(), 1);
}

// With the report taken away, a failed set-up tells no one and opens no box.
void CockpitNoGlTest::withoutAReportAFailureIsSilent()
{
    CockpitView view;
    view.resize(200, 100);
    view.show();
    view.setFailureReport({});
    view.InitOpenGL();
    view.DrawAttitude3D(0.5f, 0.5f);
    QCoreApplication::processEvents();
    QVERIFY(!view.hasContext());
    QVERIFY(view.findChildren<QMessageBox*>().isEmpty());
    QCOMPARE(QApplication::activeModalWidget(), nullptr);
}

int main(int argc, char** argv)
{
    qunsetenv("DISPLAY");
    qunsetenv("WAYLAND_DISPLAY");
    qputenv("QT_QPA_PLATFORM", "offscreen");
    QApplication app(argc, argv);
    CockpitNoGlTest test;
    return QTest::qExec(&test, argc, argv);
}

#include "tst_CockpitNoGl.moc"
