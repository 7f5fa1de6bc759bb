#include "app/ConstantsDiffDialog.h"

#include <QPushButton>
#include <QTableWidget>
#include <QTest>
#include <QTimer>

namespace {

const QList<ConstantDifference> Differences = {{3, 0.5f, 3.5f}, {300, 0.1f, -2.0f}};

// A dialog that a key failed to close ends with -1 instead of hanging the test.
void closeLate(QDialog& dialog)
{
    QTimer::singleShot(3000, &dialog, [&dialog] { dialog.done(-1); });
}

QString cellText(const QTableWidget* table, int row, int column)
{
    return table->item(row, column)->text();
}

} // namespace

class TestConstantsDiffDialog : public QObject
{
    Q_OBJECT
private slots:
    void listsTheDifferences();
    void keys_data();
    void keys();
    void enterFromTheTableSends();
};

void TestConstantsDiffDialog::listsTheDifferences()
{
    ConstantsDiffDialog dialog(Differences);
    QCOMPARE(dialog.windowTitle(), QStringLiteral("Import Constants"));
    auto* table = dialog.findChild<QTableWidget*>(QStringLiteral("differences"));
    QVERIFY(table);
    QCOMPARE(table->rowCount(), 2);
    QCOMPARE(table->horizontalHeaderItem(0)->text(), QStringLiteral("Index"));
    QCOMPARE(table->horizontalHeaderItem(1)->text(), QStringLiteral("Board value"));
    QCOMPARE(table->horizontalHeaderItem(2)->text(), QStringLiteral("File value"));
    QCOMPARE(cellText(table, 0, 0), QStringLiteral("3"));
    QCOMPARE(cellText(table, 0, 1), QStringLiteral("0.5"));
    QCOMPARE(cellText(table, 0, 2), QStringLiteral("3.5"));
    QCOMPARE(cellText(table, 1, 0), QStringLiteral("300"));
    QCOMPARE(cellText(table, 1, 1), QStringLiteral("0.100000001"));
    QCOMPARE(cellText(table, 1, 2), QStringLiteral("-2"));
    QCOMPARE(dialog.sendButton()->text(), QStringLiteral("Send"));
    QVERIFY(dialog.sendButton()->isDefault());
}

void TestConstantsDiffDialog::keys_data()
{
    QTest::addColumn<int>("key");
    QTest::addColumn<int>("result");
    QTest::newRow("Enter sends") << int(Qt::Key_Return) << int(QDialog::Accepted);
    QTest::newRow("keypad Enter sends") << int(Qt::Key_Enter) << int(QDialog::Accepted);
    QTest::newRow("Escape cancels") << int(Qt::Key_Escape) << int(QDialog::Rejected);
}

void TestConstantsDiffDialog::keys()
{
    QFETCH(int, key);
    QFETCH(int, result);
    ConstantsDiffDialog dialog(Differences);
    bool answered = false;
    closeLate(dialog);
    QTimer::singleShot(0, &dialog, [&] {
        QWidget* modal = QApplication::activeModalWidget();
        QCOMPARE(modal, &dialog);
        QTest::keyClick(modal->focusWidget() ? modal->focusWidget() : modal, Qt::Key(key));
        answered = true;
    });
    QCOMPARE(dialog.exec(), result);
    QVERIFY(answered);
}

void TestConstantsDiffDialog::enterFromTheTableSends()
{
    ConstantsDiffDialog dialog(Differences);
    auto* table = dialog.findChild<QTableWidget*>(QStringLiteral("differences"));
    closeLate(dialog);
    QTimer::singleShot(0, &dialog, [&] {
        table->setFocus();
        QTest::keyClick(table, Qt::Key_Return);
    });
    QCOMPARE(dialog.exec(), int(QDialog::Accepted));

    ConstantsDiffDialog other(Differences);
    auto* cancel = other.findChild<QPushButton*>(QStringLiteral("cancel"));
    QTimer::singleShot(0, &other, [&] { cancel->click(); });
    QCOMPARE(other.exec(), int(QDialog::Rejected));
}

#include "support/TestMain.h"

QTEST_MAIN(TestConstantsDiffDialog)
#include "tst_constants_diff_dialog.moc"
