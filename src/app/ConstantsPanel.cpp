#include "app/ConstantsPanel.h"

#include "constants/ConstantUpdateCommand.h"
#include "constants/ConstantValueParser.h"
#include "constants/ConstantValueText.h"
#include "constants/ConstantsList.h"
#include "core/Pause.h"
#include "protocol/Floats.h"

#include <QApplication>
#include <QKeyEvent>
#include <QLineEdit>
#include <QListWidget>
#include <QPushButton>

namespace {

const char* const TagProperty = "Tag";

// The index held in the tag: decimal digits only, 0 to 65535; -1 otherwise.
int tagIndex(const QString& tag)
{
    if (tag.isEmpty() || tag.size() > 5)
        return -1;
    for (QChar c : tag) {
        if (c < QLatin1Char('0') || c > QLatin1Char('9'))
            return -1;
    }
    const int index = tag.toInt();
    return index <= 65535 ? index : -1;
}

} // namespace

ConstantsPanel::ConstantsPanel(QListWidget* L, QLineEdit* Text7, QPushButton* Command7, Link& link,
                               Logger& log, QObject* parent)
    : QObject(parent), m_list(L), m_text7(Text7), m_command7(Command7), m_link(link), m_log(log)
{
    // A new selection (mouse, keyboard or program) and a click on the selected line both take
    // it. The current-row signal would come before a mouse press has selected the line.
    connect(m_list, &QListWidget::itemSelectionChanged, this, &ConstantsPanel::L_Click);
    connect(m_list, &QListWidget::itemClicked, this, &ConstantsPanel::L_Click);
    connect(m_list, &QListWidget::itemDoubleClicked, this, &ConstantsPanel::L_DblClick);
    connect(m_text7, &QLineEdit::textChanged, this, &ConstantsPanel::Text7_Change);
    connect(m_text7, &QLineEdit::textEdited, this, &ConstantsPanel::forgetPickedEntry);
    connect(m_command7, &QPushButton::clicked, this, &ConstantsPanel::Command7_Click);
    // Enter in Text7 is seen before the box handles it; Enter anywhere else reaches the window
    // once no control has taken it.
    m_text7->installEventFilter(this);
    m_text7->window()->installEventFilter(this);
}

void ConstantsPanel::RequestConstants()
{
    m_list->clear();
    m_link.SendCommand(QByteArrayLiteral("["));
    PauseMs(800);
}

void ConstantsPanel::FillConstantsList(const QByteArray& payload)
{
    m_constantsPayload = payload;
    m_list->clear();
    m_list->addItems(ConstantsListLines(m_constantsPayload));
}

void ConstantsPanel::L_Click()
{
    const QList<QListWidgetItem*> selected = m_list->selectedItems();
    if (selected.isEmpty())
        return;
    const QStringList fields = selected.first()->text().split(QLatin1Char('\t'));
    QString indexText = fields.value(0);
    indexText.remove(QStringLiteral("K[")).remove(QLatin1Char(']'));
    QString valueText = fields.value(1);
    valueText.replace(QLatin1Char('.'), QLatin1Char(','));
    m_text7->setProperty(TagProperty, indexText);
    m_text7->setText(valueText);

    // The bytes of a line that the payload gave (a line put there otherwise has none).
    forgetPickedEntry();
    const int row = m_list->row(selected.first());
    const QByteArray bytes = m_constantsPayload.mid(4 * qsizetype(row), 4);
    if (bytes.size() == 4 && indexText == QString::number(row) &&
        valueText == ConstantValueText(BytesToSingle(bytes))) {
        m_pickedTag = indexText;
        m_pickedText = valueText;
        m_pickedBytes = bytes;
    }
}

void ConstantsPanel::forgetPickedEntry()
{
    m_pickedTag.clear();
    m_pickedText.clear();
    m_pickedBytes.clear();
}

void ConstantsPanel::L_DblClick()
{
    m_text7->setFocus();
    m_text7->setSelection(0, int(m_text7->text().size()));
}

void ConstantsPanel::Text7_Change()
{
    m_command7->setDefault(true);
}

bool ConstantsPanel::eventFilter(QObject* watched, QEvent* event)
{
    if (event->type() != QEvent::KeyPress)
        return QObject::eventFilter(watched, event);
    const int key = static_cast<QKeyEvent*>(event)->key();
    if (key != Qt::Key_Return && key != Qt::Key_Enter)
        return false;
    // The main window has no default-button handling of its own: "Send", once default, takes
    // Enter in Text7, and anywhere in the window while it is in sight (the advanced frame
    // shown). A focused button keeps its key.
    if (!m_command7->isDefault())
        return false;
    auto* focused = qobject_cast<QPushButton*>(QApplication::focusWidget());
    if (watched != m_text7 && (!commandInSight() || (focused && focused != m_command7)))
        return false;
    m_command7->click();
    return true;
}

bool ConstantsPanel::commandInSight() const
{
    const QWidget* window = m_command7->window();
    const QPoint centre = m_command7->mapTo(window, m_command7->rect().center());
    return m_command7->isVisibleTo(window) && window->rect().contains(centre);
}

void ConstantsPanel::Command7_Click()
{
    QString text = m_text7->text();
    if (text.isEmpty())
        return;
    if (text.contains(QLatin1Char('.'))) {
        text.replace(QLatin1Char('.'), QLatin1Char(','));
        m_text7->setText(text);
    }

    const QString tag = m_text7->property(TagProperty).toString();
    if (tag.isEmpty()) {
        m_log.AddLog(QStringLiteral("Send refused: no constant is chosen; pick one in the list "
                                    "first."));
        return;
    }
    const int index = tagIndex(tag);
    if (index < 0) {
        m_log.AddLog(
            QStringLiteral("Send refused: \"%1\" is not a constant index (0 to 65535).").arg(tag));
        return;
    }
    // An entry sent back unedited keeps its exact value: its text of 7 digits would give
    // another float for one that needs 8 or 9 (12345678 shows as 1,234568E+07).
    const bool unedited = !m_pickedBytes.isEmpty() && text == m_pickedText && tag == m_pickedTag;
    QByteArray valueBytes = m_pickedBytes;
    if (!unedited) {
        const ParsedValue parsed = ParseConstantValue(text);
        if (!parsed.ok) {
            m_log.AddLog(QStringLiteral("Send refused: ") + parsed.reason);
            return;
        }
        valueBytes = SingleToBytes(parsed.value);
    }

    m_link.SendCommand(ConstantUpdateCommand(index, valueBytes));
    RequestConstants();
}
