// The decoded items of a chart in a window of their own: one row an item (start, end, field,
// value, text), a find field for a value, and "Save..." writing the list as the tool prints it.
#pragma once

#include <cstddef>
#include <functional>
#include <string>

#include "toolkit/ComCtrls.h"
#include "toolkit/Dialogs.h"
#include "toolkit/ExtCtrls.h"
#include "toolkit/Forms.h"
#include "toolkit/StdCtrls.h"

class TChartDecoder;

class TDecodedListForm : public TForm
{
public:
    explicit TDecodedListForm(TComponent* owner = nullptr);

    TPanel* Panel1 = nullptr;
    TEdit* FindEdit = nullptr;
    TButton* FindButton = nullptr;
    TButton* SaveButton = nullptr;
    TListView* List = nullptr;
    TSaveDialog* SaveDialog1 = nullptr;

    // The items shown; nullptr empties the list. The decoder must outlive its showing.
    void SetItems(const TChartDecoder* decoder);
    // The next row after the selected one (wrapping) whose value is the find field's, selected
    // and chosen; false when none is.
    bool FindNext();
    // Asks for a file and writes every row as the tool's line.
    void Save();
    // The list's text exactly as logview-render --decode prints it for this one decoder.
    std::string ListingText() const;

    // A row chosen (clicked, or found): its item's index.
    std::function<void(size_t item)> OnItemChosen;

    std::string ClassName() const override { return "TDecodedListForm"; }

private:
    std::string Cell(int row, int column) const;

    const TChartDecoder* FDecoder = nullptr;
};
