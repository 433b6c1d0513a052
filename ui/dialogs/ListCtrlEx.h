#pragma once

#include <QTreeWidget>

// A list of rows with columns that can move a row to another place.
class CListCtrlEx : public QTreeWidget
{
    Q_OBJECT
public:
    explicit CListCtrlEx(QWidget* parent = nullptr);

    // Moves row `from` so that it stands before the row that had index `to`
    // (counted before the move): one place up is to = from - 1, one place
    // down to = from + 2. False, with the rows unchanged, when there is no
    // such move.
    bool MoveItem(int from, int to);
    // Inserts a copy of row `from`'s texts at index `to`.
    bool CopyRow(int from, int to);

    int GetItemCount() const { return topLevelItemCount(); }
    QString GetItemText(int row, int column) const;
};
