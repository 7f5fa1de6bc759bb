#include "app/Form1.h"
#include "app/MainMenu.h"
#include "protocol/Floats.h"
#include "session/BoardSession.h"
#include "support/AppRig.h"

#include <QAction>
#include <QComboBox>
#include <QLineEdit>
#include <QMenuBar>
#include <QPlainTextEdit>
#include <QPushButton>
#include <QSignalSpy>
#include <QTest>

namespace {

// What a box holds, whatever its kind.
QString textOf(QWidget* box)
{
    if (auto* line = qobject_cast<QLineEdit*>(box))
        return line->text();
    if (auto* plain = qobject_cast<QPlainTextEdit*>(box))
        return plain->toPlainText();
    return {};
}

} // namespace

// Every entry of the menu bar answers its keys wherever the window's focus is: in a combo box,
// a line edit or a text box, where Linux's line edits would take Ctrl+U, Ctrl+E and Ctrl+B as
// editing keys.
class TestMenuKeys : public QObject
{
    Q_OBJECT
private slots:
    void everyShortcutFromEveryBox()
    {
        AppRig rig;
        rig.app->Load();
        Form1& f = rig.form();
        rig.password = QStringLiteral("orvain_panel");
        f.Command15->click();
        // A table read, so that Export and Import Constants are enabled too.
        rig.app->session().dispatch().FillConstantsList(SingleToBytes(1.5f) + SingleToBytes(2.0f));
        f.activateWindow();
        QVERIFY(QTest::qWaitForWindowActive(&f));

        // Only the keys are under test: each entry counts its triggers and does nothing else.
        QList<QAction*> actions;
        for (QAction* action : f.MenuBar->findChildren<QAction*>()) {
            if (action->shortcut().isEmpty())
                continue;
            QVERIFY2(action->isEnabled(), qPrintable(action->text()));
            disconnect(action, &QAction::triggered, nullptr, nullptr);
            actions.append(action);
        }
        QCOMPARE(actions.size(), 12);
        QList<QWidget*> boxes{f.Combo1, f.Combo2, f.Combo3, f.Text1,
                              f.Text7,  f.Text2,  f.Text3,  f.Text5};

        for (QWidget* box : boxes) {
            QWidget* editor = box;
            if (auto* combo = qobject_cast<QComboBox*>(box)) {
                QVERIFY(combo->isEditable());
                combo->setEditText(QStringLiteral("COM12"));
                editor = combo->lineEdit();
            } else if (auto* line = qobject_cast<QLineEdit*>(box)) {
                line->setText(QStringLiteral("C:\\fw\\board.kfw"));
            } else {
                qobject_cast<QPlainTextEdit*>(box)->setPlainText(QStringLiteral("line one"));
            }
            for (QAction* action : actions) {
                editor->setFocus();
                QTRY_VERIFY(editor->hasFocus());
                const QString before = textOf(editor);
                if (auto* line = qobject_cast<QLineEdit*>(editor))
                    line->setCursorPosition(3);
                QSignalSpy triggered(action, &QAction::triggered);
                const QKeyCombination keys = action->shortcut()[0];
                QTest::keyClick(editor, keys.key(), keys.keyboardModifiers());
                QVERIFY2(triggered.size() == 1,
                         qPrintable(action->shortcut().toString() + " in " + box->objectName()));
                QCOMPARE(textOf(editor), before);
            }
        }

        // Keys that no entry uses still edit the box.
        f.Text7->setFocus();
        QTRY_VERIFY(f.Text7->hasFocus());
        f.Text7->setText(QStringLiteral("12"));
        QTest::keyClick(f.Text7, Qt::Key_5);
        QCOMPARE(f.Text7->text(), QString("125"));
    }
};

#include "support/TestMain.h"

QTEST_MAIN(TestMenuKeys)
#include "tst_menu_keys.moc"
