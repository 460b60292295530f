// The row-by-row list over a table view: the model keeps no rows, it asks OnData for the
// cells being painted, so the cost follows what is on the screen, not the row count.
#include "toolkit/ComCtrls.h"

#include <QFontMetrics>
#include <QHeaderView>
#include <QKeyEvent>
#include <QMouseEvent>
#include <algorithm>
#include <exception>

#include "toolkit/CodePage_p.h"
#include "toolkit/ComCtrls_p.h"

// ---- the model

int TListViewModel::rowCount(const QModelIndex& parent) const
{
    return parent.isValid() || FList == nullptr ? 0 : FList->RowCount();
}

int TListViewModel::columnCount(const QModelIndex& parent) const
{
    return parent.isValid() ? 0 : static_cast<int>(FCaptions.size());
}

QVariant TListViewModel::data(const QModelIndex& index, int role) const
{
    if (role != Qt::DisplayRole || FList == nullptr || !FList->OnData || !index.isValid())
        return QVariant();
    // Asked while painting: an exception may not cross Qt here, and an error box in the
    // middle of a paint would only paint again. The cell stays empty.
    try {
        return Cp1251ToQString(FList->OnData(index.row(), index.column()));
    } catch (...) {
        return QVariant();
    }
}

QVariant TListViewModel::headerData(int section, Qt::Orientation orientation, int role) const
{
    if (role != Qt::DisplayRole || orientation != Qt::Horizontal) return QVariant();
    if (section < 0 || section >= FCaptions.size()) return QVariant();
    return FCaptions[section];
}

void TListViewModel::SetCaptions(const QStringList& captions)
{
    beginResetModel();
    FCaptions = captions;
    endResetModel();
}

void TListViewModel::Reset(const std::function<void()>& change)
{
    beginResetModel();
    change();
    endResetModel();
}

void TListViewModel::RowsChanged()
{
    const int rows = rowCount();
    const int columns = columnCount();
    if (rows > 0 && columns > 0) emit dataChanged(index(0, 0), index(rows - 1, columns - 1));
}

// ---- the widget

TListViewBridge::TListViewBridge(TControlPrivate* priv, TListView* list)
    : TInputForwarder<QTableView>(priv), FModel(new TListViewModel(list, this))
{
    setModel(FModel);
    setSelectionBehavior(QAbstractItemView::SelectRows);
    setSelectionMode(QAbstractItemView::SingleSelection);
    setEditTriggers(QAbstractItemView::NoEditTriggers);
    setWordWrap(false);
    setShowGrid(false);
    setTabKeyNavigation(false);
    // Rows of one fixed height: the view then places a million rows by arithmetic and never
    // measures their texts.
    QHeaderView* rows = verticalHeader();
    rows->hide();
    rows->setSectionResizeMode(QHeaderView::Fixed);
    rows->setDefaultSectionSize(QFontMetrics(font()).height() + 4);
    QHeaderView* columns = horizontalHeader();
    columns->setSectionResizeMode(QHeaderView::Interactive);
    columns->setStretchLastSection(true);
    columns->setHighlightSections(false);
}

void TListViewBridge::Select(int row)
{
    QItemSelectionModel* selection = selectionModel();
    if (row < 0 || row >= FModel->rowCount()) {
        selection->clear();
        return;
    }
    const QModelIndex at = FModel->index(row, 0);
    selection->setCurrentIndex(at, QItemSelectionModel::ClearAndSelect | QItemSelectionModel::Rows);
    scrollTo(at);
}

int TListViewBridge::SelectedRow() const
{
    const QModelIndexList rows = selectionModel()->selectedRows();
    return rows.isEmpty() ? -1 : rows.front().row();
}

void TListViewBridge::SetRowCount(TListView* list, int rows)
{
    FModel->Reset([list, rows] { list->FRowCount = std::max(0, rows); });
}

void TListViewBridge::mousePressEvent(QMouseEvent* e)
{
    const int before = SelectedRow();
    TInputForwarder<QTableView>::mousePressEvent(e);
    // A click on the selected row chooses it again (the user may want to go back to it).
    if (e->button() == Qt::LeftButton && indexAt(e->position().toPoint()).isValid())
        RaiseIfMoved(before, true);
}

void TListViewBridge::keyPressEvent(QKeyEvent* e)
{
    const int before = SelectedRow();
    QTableView::keyPressEvent(e);
    RaiseIfMoved(before, false);
}

void TListViewBridge::RaiseIfMoved(int before, bool always)
{
    const int row = SelectedRow();
    if (row < 0 || (!always && row == before) || FPriv->control == nullptr) return;
    auto* list = static_cast<TListView*>(FPriv->control);
    if (list->OnSelectRow) GuardedCall([list, row] { list->OnSelectRow(list, row); });
}

// ---- TListView

namespace {

TListViewBridge* BridgeOf(const TListView* list)
{
    return static_cast<TListViewBridge*>(ControlWidget(list));
}

} // namespace

TListView::TListView(TComponent* owner) : TWinControl(owner)
{
    TControlBridge::Attach(this, new TListViewBridge(Private(), this));
    SetColor(clWindow);
    SetBounds(0, 0, 250, 150);
}

TListView::~TListView()
{
    Private()->control = nullptr;
    if (TListViewBridge* w = BridgeOf(this)) w->Model()->Detach();
}

void TListView::SetColumns(const std::vector<std::string>& captions)
{
    QStringList list;
    for (const std::string& caption : captions)
        list << Cp1251ToQString(caption);
    BridgeOf(this)->Model()->SetCaptions(list);
}

void TListView::SetRowCount(int rows)
{
    BridgeOf(this)->SetRowCount(this, rows);
}

int TListView::Selected() const
{
    return BridgeOf(this)->SelectedRow();
}

void TListView::SetSelected(int row)
{
    BridgeOf(this)->Select(row);
}

void TListView::Refresh()
{
    BridgeOf(this)->Model()->RowsChanged();
}
