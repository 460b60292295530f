// A list of many rows in columns, asked for row by row: nothing is stored per row, so a
// list of a million items costs nothing until its rows are shown.
#pragma once

#include <functional>
#include <string>
#include <vector>

#include "toolkit/Controls.h"

class TListView : public TWinControl
{
public:
    explicit TListView(TComponent* owner = nullptr);
    ~TListView() override;

    // Column captions, cp1251.
    void SetColumns(const std::vector<std::string>& captions);
    int RowCount() const { return FRowCount; }
    // Forgets the selection; the rows are asked for again as they are shown.
    void SetRowCount(int rows);
    // The text of a cell (cp1251), asked for the rows on the screen only.
    std::function<std::string(int row, int column)> OnData;

    // -1 when no row is selected.
    int Selected() const;
    // Selects Row and scrolls it into view; raises no OnSelectRow.
    void SetSelected(int row);
    // A row chosen by the user: a click, or the arrow keys moving the selection.
    std::function<void(TObject* sender, int row)> OnSelectRow;
    // The data behind the rows changed: the shown rows are asked again.
    void Refresh();

    std::string ClassName() const override { return "TListView"; }

private:
    friend class TListViewBridge;
    int FRowCount = 0;
};
