#pragma once

#include <QStyledItemDelegate>

// The port box's list: each entry shows its adapter (description and serial number, from the
// entry's tooltip "DEVICE - ADAPTER") beside the COM name. The chosen text stays the COM name.
class PortListDelegate : public QStyledItemDelegate
{
    Q_OBJECT
public:
    using QStyledItemDelegate::QStyledItemDelegate;

    // The text an entry shows: "COM33   FT232R USB UART, A10K1234", or the name alone.
    static QString shownText(const QString& name, const QString& tooltip);

protected:
    void initStyleOption(QStyleOptionViewItem* option, const QModelIndex& index) const override;
};
