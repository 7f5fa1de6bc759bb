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
    void defaultReportIsAModalBoxWithOk();
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

void CockpitNoGlTest::defaultReportIsAModalBoxWithOk()
{
    CockpitView view;
    view.resize(200, 100);
    view.show();

    QString text;
    QStringList buttons;
    bool modal = false;
    int polls = 0;
    QTimer answer;
    answer.setInterval(20);
    connect(&answer, &QTimer::timeout, [&] {
        ++polls;
        auto* box = qobject_cast<QMessageBox*>(QApplication::activeModalWidget());
        if (!box) {
            return;
        }
        answer.stop();
        text = box->text();
        modal = box->isModal();
        for (QAbstractButton* button : box->buttons()) {
            buttons.append(button->text());
        }
        box->button(QMessageBox::Ok)->click();
    });
    answer.start();

    view.InitOpenGL();
    answer.stop();
    QCOMPARE(text, QString("format de pixels inconnu"));
    QVERIFY(modal);
    QCOMPARE(buttons, QStringList{"OK"});
    QVERIFY(!view.hasContext());
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
