#include "app/PortListDelegate.h"

QString PortListDelegate::shownText(const QString& name, const QString& tooltip)
{
    const qsizetype dash = tooltip.indexOf(QStringLiteral(" - "));
    if (dash < 0)
        return name;
    return name + QStringLiteral("   ") + tooltip.mid(dash + 3);
}

void PortListDelegate::initStyleOption(QStyleOptionViewItem* option, const QModelIndex& index) const
{
    QStyledItemDelegate::initStyleOption(option, index);
    option->text =
        shownText(index.data(Qt::DisplayRole).toString(), index.data(Qt::ToolTipRole).toString());
}
