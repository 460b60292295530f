// Private side of the row-by-row list: a table model that asks the control for the cells
// Qt paints, and the table widget that tells a user's choice of row from the program's.
#pragma once

#include <QAbstractTableModel>
#include <QStringList>
#include <QTableView>

#include "toolkit/ComCtrls.h"
#include "toolkit/Controls_p.h"

class TListViewModel : public QAbstractTableModel
{
public:
    explicit TListViewModel(TListView* list, QObject* parent)
        : QAbstractTableModel(parent), FList(list)
    {
    }

    int rowCount(const QModelIndex& parent = QModelIndex()) const override;
    int columnCount(const QModelIndex& parent = QModelIndex()) const override;
    QVariant data(const QModelIndex& index, int role) const override;
    QVariant headerData(int section, Qt::Orientation orientation, int role) const override;

    // The list is going: no more questions to it.
    void Detach() { FList = nullptr; }
    void SetCaptions(const QStringList& captions);
    void Reset(const std::function<void()>& change);
    void RowsChanged();

private:
    TListView* FList = nullptr;
    QStringList FCaptions;
};

class TListViewBridge : public TInputForwarder<QTableView>
{
public:
    TListViewBridge(TControlPrivate* priv, TListView* list);

    TListViewModel* Model() const { return FModel; }
    // Selects Row (-1: none) without raising OnSelectRow.
    void Select(int row);
    int SelectedRow() const;
    void SetRowCount(TListView* list, int rows);

protected:
    void mousePressEvent(QMouseEvent* e) override;
    void keyPressEvent(QKeyEvent* e) override;

private:
    void RaiseIfMoved(int before, bool always);

    TListViewModel* FModel = nullptr;
};
