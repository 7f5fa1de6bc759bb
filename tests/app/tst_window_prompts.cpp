#include "ModalAnswer.h"
#include "app/Prompts.h"
#include "support/FileDialogAnswer.h"

#include <QDialogButtonBox>
#include <QFileDialog>
#include <QInputDialog>
#include <QLabel>
#include <QLineEdit>
#include <QPushButton>
#include <QTableWidget>
#include <QTemporaryDir>
#include <QTest>

class TestWindowPrompts : public QObject
{
    Q_OBJECT
private slots:
    // The save and open dialogs over the window: their titles, the suggested name, the
    // kinds offered, and "" when cancelled.
    void fileDialogs()
    {
        QWidget window;
        window.setWindowTitle(QStringLiteral("VELTIS - Skyvane 6.0"));
        window.show();
        WindowPrompts prompts(window);
        QTemporaryDir dir;
        const QString target = dir.filePath("flight.csv");

        QString suggestedName;
        QStringList filters;
        QWidget* parent = nullptr;
        ModalAnswer<QFileDialog> save([&](QFileDialog* d) {
            suggestedName = d->findChild<QLineEdit*>(QStringLiteral("fileNameEdit"))->text();
            filters = d->nameFilters();
            parent = d->parentWidget();
            TypeFileName(d, target);
        });
        QCOMPARE(prompts.chooseSaveFile(QStringLiteral("Record to"), dir.filePath("suggested.csv")),
                 target);
        QCOMPARE(save.title(), QString("Record to"));
        QCOMPARE(suggestedName, QString("suggested.csv"));
        QCOMPARE(filters, QStringList{"CSV files (*.csv)"});
        QCOMPARE(parent, &window);

        ModalAnswer<QFileDialog> cancelSave(
            [](QFileDialog* d) { static_cast<QDialog*>(d)->reject(); });
        QCOMPARE(prompts.chooseSaveFile(QStringLiteral("Export Constants"), target), QString());
        QVERIFY(cancelSave.answered());

        QFile existing(target);
        QVERIFY(existing.open(QIODevice::WriteOnly));
        existing.close();
        ModalAnswer<QFileDialog> open([&](QFileDialog* d) {
            filters = d->nameFilters();
            TypeFileName(d, target);
        });
        QCOMPARE(prompts.chooseOpenFile(QStringLiteral("Replay"),
                                        QStringLiteral("CSV files (*.csv);;All files (*)"),
                                        QString()),
                 target);
        QCOMPARE(open.title(), QString("Replay"));
        QCOMPARE(filters, (QStringList{"CSV files (*.csv)", "All files (*)"}));

        ModalAnswer<QFileDialog> cancelOpen(
            [](QFileDialog* d) { static_cast<QDialog*>(d)->reject(); });
        QCOMPARE(prompts.chooseOpenFile(QStringLiteral("Import Constants"),
                                        QStringLiteral("CSV files (*.csv)"), QString()),
                 QString());
        QVERIFY(cancelOpen.answered());

        // An offered file (the copy made before a download) is chosen already: Enter takes it.
        QStringList chosen;
        ModalAnswer<QFileDialog> takeOffered([&](QFileDialog* d) {
            chosen = d->selectedFiles();
            static_cast<QDialog*>(d)->accept();
        });
        QCOMPARE(prompts.chooseOpenFile(QStringLiteral("Import Constants"),
                                        QStringLiteral("CSV files (*.csv)"), target),
                 target);
        QCOMPARE(chosen, QStringList{target});
    }

    // The one-line box offers the last text, gives the answer trimmed, "" when cancelled.
    void textBoxAndPasswordBox()
    {
        QWidget window;
        window.show();
        WindowPrompts prompts(window);

        QString offered;
        QString label;
        ModalAnswer<QInputDialog> accept([&](QInputDialog* d) {
            offered = d->textValue();
            label = d->labelText();
            d->findChild<QLineEdit*>()->setText("  10.0.0.7:9870 \t");
            d->accept();
        });
        QCOMPARE(prompts.askText(QStringLiteral("Forward Live Data"), QStringLiteral("HOST:PORT"),
                                 QStringLiteral("127.0.0.1:9870")),
                 QString("10.0.0.7:9870"));
        QCOMPARE(accept.title(), QString("Forward Live Data"));
        QCOMPARE(offered, QString("127.0.0.1:9870"));
        QCOMPARE(label, QString("HOST:PORT"));

        // A text typed and then cancelled is not taken.
        ModalAnswer<QInputDialog> cancel([](QInputDialog* d) {
            d->findChild<QLineEdit*>()->setText("/tmp/mirror");
            d->reject();
        });
        QCOMPARE(prompts.askText(QStringLiteral("Mirror Raw Stream"), QStringLiteral("Path"),
                                 QStringLiteral("/tmp/skyvane-mirror")),
                 QString());
        QVERIFY(cancel.answered());

        QLineEdit::EchoMode echo = QLineEdit::Normal;
        ModalAnswer<QInputDialog> password([&](QInputDialog* d) {
            echo = d->textEchoMode();
            d->findChild<QLineEdit*>()->setText("orvain_panel");
            d->reject();
        });
        QCOMPARE(prompts.askPassword(), QString());
        QCOMPARE(password.title(), QString("Password"));
        QCOMPARE(echo, QLineEdit::Password);
    }

    // The differences shown before an import; Send gives true, Cancel false.
    void importConfirmation()
    {
        QWidget window;
        window.show();
        WindowPrompts prompts(window);
        const QList<ConstantDifference> differences = {{7, 1.0f, 1.5f}};

        int rows = 0;
        QString intro;
        ModalAnswer<QDialog> send([&](QDialog* d) {
            rows = d->findChild<QTableWidget*>(QStringLiteral("differences"))->rowCount();
            intro = d->findChild<QLabel*>()->text();
            d->findChild<QPushButton*>(QStringLiteral("send"))->click();
        });
        QVERIFY(prompts.confirmImport(differences));
        QCOMPARE(send.title(), QString("Import Constants"));
        QCOMPARE(rows, 1);
        QCOMPARE(intro, QString("1 constant in the file differs from the board's table."));

        ModalAnswer<QDialog> cancel(
            [](QDialog* d) { d->findChild<QPushButton*>(QStringLiteral("cancel"))->click(); });
        QVERIFY(!prompts.confirmImport(differences));
        QVERIFY(cancel.answered());
    }
};

#include "support/TestMain.h"

QTEST_MAIN(TestWindowPrompts)
#include "tst_window_prompts.moc"
