#include "ListCtrlEx.h"

#include <QHeaderView>

CListCtrlEx::CListCtrlEx(QWidget* parent) : QTreeWidget(parent)
{
    setRootIsDecorated(false);
    setItemsExpandable(false);
    setUniformRowHeights(true);
    setAllColumnsShowFocus(true);
    setSelectionMode(QAbstractItemView::SingleSelection);
    setSelectionBehavior(QAbstractItemView::SelectRows);
    header()->setSectionsMovable(false);
    header()->setStretchLastSection(false);
}

QString CListCtrlEx::GetItemText(int row, int column) const
{
    const QTreeWidgetItem* item = topLevelItem(row);
    return item ? item->text(column) : QString();
}

bool CListCtrlEx::CopyRow(int from, int to)
{
    const int count = GetItemCount();
    if (from == to || from < 0 || to < 0 || from >= count || to > count)
        return false;
    auto* copy = new QTreeWidgetItem;
    copy->setText(0, GetItemText(from, 0));
    insertTopLevelItem(to, copy);
    // The source row moved down by one when the copy went in before it.
    const int source = from > to ? from + 1 : from;
    for (int column = 1; column < columnCount(); ++column)
        copy->setText(column, GetItemText(source, column));
    return true;
}

bool CListCtrlEx::MoveItem(int from, int to)
{
    if (from == to || from < 0 || to < 0 || (from == GetItemCount() - 1 && to > from))
        return false;
    if (!CopyRow(from, to))
        return false;
    delete takeTopLevelItem(from <= to ? from : from + 1);
    return true;
}
