#include "viewer/DecodedList.h"

#include <cctype>

#include "toolkit/Dialogs.h"
#include "toolkit/TextFile.h"
#include "viewer/Decoding.h"
#include "viewer/RenderTool.h"

namespace {

// A value as typed: upper case, no "0x", no leading zeros, so that "0x4a" finds "4A".
std::string ValueKey(std::string text)
{
    while (!text.empty() && std::isspace(static_cast<unsigned char>(text.back())))
        text.pop_back();
    size_t at = text.find_first_not_of(" \t");
    if (at == std::string::npos) return {};
    text.erase(0, at);
    if (text.size() > 2 && text[0] == '0' && (text[1] == 'x' || text[1] == 'X')) text.erase(0, 2);
    for (char& c : text)
        c = static_cast<char>(std::toupper(static_cast<unsigned char>(c)));
    at = text.find_first_not_of('0');
    return at == std::string::npos ? (text.empty() ? text : "0") : text.substr(at);
}

} // namespace

TDecodedListForm::TDecodedListForm(TComponent* owner) : TForm(owner)
{
    DisableAlign();
    SetCaption("Decoded items");
    SetClientWidth(520);
    SetClientHeight(420);
    Panel1 = new TPanel(this);
    Panel1->SetParent(this);
    Panel1->SetBounds(0, 0, 520, 37);
    Panel1->SetAlign(alTop);
    FindEdit = new TEdit(this);
    FindEdit->SetParent(Panel1);
    FindEdit->SetBounds(8, 8, 120, 21);
    FindButton = new TButton(this);
    FindButton->SetParent(Panel1);
    FindButton->SetBounds(136, 6, 75, 25);
    FindButton->SetCaption("Find");
    SaveButton = new TButton(this);
    SaveButton->SetParent(Panel1);
    SaveButton->SetBounds(219, 6, 75, 25);
    SaveButton->SetCaption("Save...");
    List = new TListView(this);
    List->SetParent(this);
    List->SetBounds(0, 37, 520, 383);
    List->SetAlign(alClient);
    List->SetColumns({"start", "end", "field", "value", "text"});
    SaveDialog1 = new TSaveDialog(this);
    SaveDialog1->SetFilter("text|*.txt|All|*.*");
    EnableAlign();
    Realign();

    List->OnData = [this](int row, int column) { return Cell(row, column); };
    List->OnSelectRow = [this](TObject*, int row) {
        if (OnItemChosen && row >= 0) OnItemChosen(static_cast<size_t>(row));
    };
    FindButton->OnClick = [this](TObject*) { FindNext(); };
    SaveButton->OnClick = [this](TObject*) { Save(); };
}

void TDecodedListForm::SetItems(const TChartDecoder* decoder)
{
    FDecoder = decoder;
    List->SetRowCount(decoder != nullptr ? static_cast<int>(decoder->Items.Size()) : 0);
    List->Refresh();
}

std::string TDecodedListForm::Cell(int row, int column) const
{
    if (FDecoder == nullptr || row < 0 || static_cast<size_t>(row) >= FDecoder->Items.Size())
        return {};
    const TDecodedItems& items = FDecoder->Items;
    const size_t i = static_cast<size_t>(row);
    switch (column) {
    case 0:
        return FormatPointValue(items[i].Start);
    case 1:
        return FormatPointValue(items[i].End);
    case 2:
        return FieldName(items[i].Field);
    case 3:
        return items.ValueText(i);
    case 4:
        return items.Text(i);
    default:
        return {};
    }
}

bool TDecodedListForm::FindNext()
{
    if (FDecoder == nullptr || FDecoder->Items.Empty()) return false;
    const std::string wanted = ValueKey(FindEdit->Text());
    if (wanted.empty()) return false;
    const TDecodedItems& items = FDecoder->Items;
    const size_t count = items.Size();
    const size_t from = List->Selected() < 0 ? 0 : static_cast<size_t>(List->Selected()) + 1;
    for (size_t k = 0; k < count; ++k) {
        const size_t i = (from + k) % count;
        if (items[i].Digits == 0 || ValueKey(items.ValueText(i)) != wanted) continue;
        List->SetSelected(static_cast<int>(i));
        if (OnItemChosen) OnItemChosen(i);
        return true;
    }
    return false;
}

std::string TDecodedListForm::ListingText() const
{
    std::string text;
    if (FDecoder == nullptr) return text;
    for (size_t i = 0; i < FDecoder->Items.Size(); ++i)
        text += DecodedLine(FDecoder->Items, i, 1);
    return text;
}

void TDecodedListForm::Save()
{
    if (!SaveDialog1->Execute()) return;
    // A failed write raises, and the toolkit shows the reason in its error box.
    WriteTextFile(SaveDialog1->FileName(), {std::string_view(ListingText())});
}
