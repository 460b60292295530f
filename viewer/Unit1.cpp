#include "viewer/Unit1.h"

#include <algorithm>
#include <filesystem>
#include <system_error>

#include "toolkit/CodePage.h"
#include "toolkit/SysUtils.h"
#include "viewer/ImportDocument.h"
#include "viewer/SampleLine.h"

TForm1* Form1 = nullptr;
uint8_t DataModified = 0;
std::vector<std::string> ProgramArguments;

namespace {

// The layout was designed with a font whose text is 13 pixels high.
constexpr int DesignTextHeight = 13;

const char* const FileFilter = "log|*.log|stimuli|*.sti|All|*.*";
// "Load" also lists the formats it converts; whatever is chosen is known by its content.
const char* const OpenFilter = "log|*.log|stimuli|*.sti|VCD|*.vcd|sigrok session|*.sr|"
                               "CSV|*.csv|All|*.*";

const std::string& BitNumberCaption()
{
    static const std::string text = Utf8ToCp1251("№ бита");
    return text;
}

const std::string& SaveQuestion()
{
    static const std::string text = Utf8ToCp1251("Инфа менялась. Сохранить?");
    return text;
}

std::string CutNotice(int cutLine)
{
    return Format(Utf8ToCp1251("В файле встретился нулевой байт: текст обрезан на строке %d, "
                               "дальше файл не прочитан.")
                      .c_str(),
                  cutLine + 1);
}

std::string ReplaceCutQuestion(int cutLine)
{
    return Format(Utf8ToCp1251("Этот файл был загружен не полностью (текст обрезан на строке "
                               "%d). Сохранение заменит всё его содержимое, и то, что шло "
                               "после обрезки. Заменить?")
                      .c_str(),
                  cutLine + 1);
}

void ApplyChartSettings(TChart* chart)
{
    chart->SetAllowPanning(pmHorizontal);
    chart->BackWall()->Brush()->SetColor(clWhite);
    chart->BackWall()->Brush()->SetStyle(bsClear);
    // One empty line: the title keeps its room above the plot without a text.
    chart->Title()->Text()->SetLines({""});
    TChartAxis* left = chart->LeftAxis();
    left->SetAutomatic(false);
    left->SetAutomaticMaximum(false);
    left->SetAutomaticMinimum(false);
    left->SetMinimum(-0.2);
    left->SetMaximum(1.2);
    chart->Legend()->SetVisible(false);
    chart->SetView3D(false);
}

void ApplySeriesSettings(TLineSeries* series, TChart* chart)
{
    series->SetSeriesColor(clRed);
    series->Marks()->SetVisible(false);
    series->Marks()->SetArrowLength(8);
    series->Pointer()->SetVisible(false);
    series->Pointer()->SetStyle(psRectangle);
    series->Pointer()->SetInflateMargins(true);
    TChartValueList* x = series->XValues();
    x->SetName("X");
    x->SetMultiplier(1);
    x->SetDateTime(false);
    x->SetOrder(loAscending);
    TChartValueList* y = series->YValues();
    y->SetName("Y");
    y->SetMultiplier(1);
    y->SetDateTime(false);
    y->SetOrder(loNone);
    series->SetParentChart(chart);
}

template <class T>
T* Place(T* control, TWinControl* parent, int left, int top, int width, int height,
         TAlign align = alNone)
{
    control->SetParent(parent);
    control->SetBounds(left, top, width, height);
    control->SetAlign(align);
    return control;
}

} // namespace

TForm1::TForm1(TComponent* owner) : TForm(owner)
{
    BuildLayout();
}

void TForm1::BuildLayout()
{
    SetName("Form1");
    // Children are placed once at the end rather than after each one is added.
    DisableAlign();

    SetLeft(196);
    SetTop(229);
    SetClientWidth(1009);
    SetClientHeight(490);
    SetCaption("Form1");
    SetColor(clBtnFace);
    Font()->SetName("MS Sans Serif");
    Font()->SetHeight(-11);
    Font()->SetColor(clWindowText);
    Font()->SetCharset(DEFAULT_CHARSET);
    Font()->SetStyle(TFontStyles{});

    Panel1 = Place(new TPanel(this), this, 0, 0, 1009, 41, alTop);
    Panel1->SetTabOrder(0);
    Button1 = Place(new TButton(this), Panel1, 8, 8, 75, 25);
    Button1->SetCaption("Load");
    Button1->SetTabOrder(0);
    Button2 = Place(new TButton(this), Panel1, 94, 8, 75, 25);
    Button2->SetCaption("Repaint");
    Button2->SetTabOrder(1);
    Button2->SetVisible(false);

    Panel2 = Place(new TPanel(this), this, 0, 41, 113, 449, alLeft);
    Panel2->SetCaption("Panel2");
    Panel2->SetTabOrder(1);
    Memo1 = Place(new TMemo(this), Panel2, 1, 1, 111, 447, alClient);
    Memo1->SetScrollBars(ssVertical);
    Memo1->SetTabOrder(0);

    Panel3 = Place(new TPanel(this), this, 113, 41, 896, 449, alClient);
    Panel3->SetTabOrder(2);

    Chart1 = Place(new TChart(this), Panel3, 1, 1, 894, 184, alTop);
    Chart1->SetTabOrder(0);
    ApplyChartSettings(Chart1);
    Label1 = Place(new TLabel(this), Chart1, 8, 4, 37, 13);
    Label1->SetCaption(BitNumberCaption());
    Edit1 = Place(new TEdit(this), Chart1, 8, 20, 25, 21);
    Edit1->SetInitialText("0");
    Edit1->SetTabOrder(0);
    Series1 = new TLineSeries(this);
    ApplySeriesSettings(Series1, Chart1);

    Chart2 = Place(new TChart(this), Panel3, 1, 288, 894, 160, alBottom);
    Chart2->SetTabOrder(1);
    ApplyChartSettings(Chart2);
    Label2 = Place(new TLabel(this), Chart2, 8, 4, 37, 13);
    Label2->SetCaption(BitNumberCaption());
    Edit2 = Place(new TEdit(this), Chart2, 8, 20, 25, 21);
    Edit2->SetInitialText("1");
    Edit2->SetTabOrder(0);
    LineSeries1 = new TLineSeries(this);
    ApplySeriesSettings(LineSeries1, Chart2);

    OpenDialog1 = new TOpenDialog(this);
    OpenDialog1->SetFilter(OpenFilter);
    OpenDialog1->SetInitialDir(".");
    SaveDialog1 = new TSaveDialog(this);
    SaveDialog1->SetFilter(FileFilter);

    ScaleToTextHeight(TextHeight());

    EnableAlign();
    Realign();

    OnCreate = [this](TObject* sender) { FormCreate(sender); };
    OnClose = [this](TObject* sender, TCloseAction& action) { FormClose(sender, action); };
    OnShortCut = [this](TObject* sender, TShortCut key, bool& handled) {
        FormShortCut(sender, key, handled);
    };
    OnDropFiles = [this](TObject* sender, const std::vector<std::string>& names) {
        FormDropFiles(sender, names);
    };
    Button1->OnClick = [this](TObject* sender) { Button1Click(sender); };
    Button2->OnClick = [this](TObject* sender) { Button2Click(sender); };
    Memo1->OnChange = [this](TObject* sender) { Memo1Change(sender); };
    Edit1->OnChange = [this](TObject* sender) { Edit1Change(sender); };
    Edit2->OnChange = [this](TObject* sender) { Edit1Change(sender); };
    Panel3->OnResize = [this](TObject* sender) { Panel3Resize(sender); };
    Chart1->OnResize = [this](TObject* sender) { Chart1Resize(sender); };
    Chart1->OnScroll = [this](TObject* sender) { Chart1Scroll(sender); };
    Chart1->OnZoom = [this](TObject* sender) { Chart1Zoom(sender); };
    Chart1->OnUndoZoom = [this](TObject* sender) { Chart1UndoZoom(sender); };
    FTextSamples = std::make_unique<TTextSamples>(*Memo1->Lines());
    std::vector<TWaveChart> charts;
    for (const TWaveView& view : WaveViews())
        charts.push_back({view.Chart, view.Series});
    FWaveLink = std::make_unique<TWaveLink>(Memo1, FTextSamples.get(), std::move(charts));
    FFindMeasure = std::make_unique<TFindMeasure>(Memo1, FTextSamples.get(), FWaveLink.get(),
                                                  std::vector<TChart*>{Chart1, Chart2});
    FChartFind = std::make_unique<TChartFind>(FFindMeasure.get());
    BuildDecoding();
}

void TForm1::BuildDecoding()
{
    std::vector<TChart*> charts;
    for (const TWaveView& view : WaveViews())
        charts.push_back(view.Chart);
    FDecoding = std::make_unique<TWindowDecoding>(Memo1, FTextSamples.get(), charts);
    FDecoding->OnCentre = [this](double time) { CentreChartsOn(time); };
    FWaveLink->ExtraReadout = [this](int chart, int x, int y) {
        return FDecoding->ReadoutAt(chart, x, y);
    };
    FWaveLink->DoubleClickFirst = [this](int chart, int x, int y) {
        return FDecoding->JumpToItem(chart, x, y);
    };
    for (size_t i = 0; i < charts.size(); ++i)
        charts[i]->OnContextPopup = [this, i](TCustomChart*, TMouseButton, TShiftState, int x,
                                              int y) {
            ChartContextPopup(static_cast<int>(i), x, y);
        };
}

std::vector<TMenuItem> TForm1::ChartMenu(int chart)
{
    std::vector<TMenuItem> items = FDecoding->MenuItems(chart);
    // The markers go where the menu was asked for.
    const int x = FChartMenuX;
    TFindMeasure* fm = FFindMeasure.get();
    const bool anyMarker =
        fm->MarkerSet(TFindMeasure::MarkerA) || fm->MarkerSet(TFindMeasure::MarkerB);
    items.push_back({"-", nullptr});
    items.push_back({"Marker A here", [fm, chart, x](TObject*) { fm->MarkerAHere(chart, x); }});
    items.push_back({"Marker B here", [fm, chart, x](TObject*) { fm->MarkerBHere(chart, x); }});
    items.push_back({"Clear markers", [fm](TObject*) { fm->ClearMarkers(); }, anyMarker});
    for (TMenuItem& item : FChartFind->MenuItems(chart))
        items.push_back(std::move(item));
    return items;
}

void TForm1::ChartContextPopup(int chart, int x, int y)
{
    FChartMenuX = x;
    if (!FChartMenu) FChartMenu = std::make_unique<TPopupMenu>();
    FChartMenu->Items = ChartMenu(chart);
    FChartMenu->Popup(WaveViews()[static_cast<size_t>(chart)].Chart, x, y);
}

void TForm1::CentreChartsOn(double time)
{
    const TChartAxis* bottom = Chart1->BottomAxis();
    const double half = (bottom->Maximum() - bottom->Minimum()) / 2;
    const TChartAxis* top = Chart1->TopAxis();
    const TChartAxis* left = Chart1->LeftAxis();
    const TChartAxis* right = Chart1->RightAxis();
    Chart1->ZoomToValues(top->Minimum(), top->Maximum(), time - half, time + half, left->Minimum(),
                         left->Maximum(), right->Minimum(), right->Maximum());
    // The zoom's event couples the lower chart.
    Chart1->RequestRepaint();
}

std::vector<TWaveView> TForm1::WaveViews() const
{
    return {{Chart1, Series1, Edit1}, {Chart2, LineSeries1, Edit2}};
}

void TForm1::ScaleToTextHeight(int textHeight)
{
    if (textHeight > 0 && textHeight != DesignTextHeight) ScaleBy(textHeight, DesignTextHeight);
}

void TForm1::FormCreate(TObject*)
{
    DataModified = 0;
    // The shell has split the command line already; an empty first argument is none.
    if (ProgramArguments.empty() || ProgramArguments.front().empty()) return;
    LoadStartupFile(ProgramArguments.front());
}

void TForm1::LoadStartupFile(const std::string& fileName)
{
    OpenDialog1->SetFileName(fileName);
    if (LoadConverted(fileName)) return;
    Memo1->Lines()->Clear();
    NoteLoad(std::string());
    Memo1->Lines()->LoadFromFile(fileName);
    SetFileNameCaption(fileName);
    NoteLoad(fileName);
    Button2->Click();
    Button2->Show();
    DataModified = 0;
    TellIfCut();
}

void TForm1::NoteLoad(const std::string& fileName)
{
    FCutLine = fileName.empty() ? -1 : Memo1->Lines()->CutLine();
    FCutFileName = FCutLine >= 0 ? fileName : std::string();
}

void TForm1::TellIfCut()
{
    if (FCutLine >= 0) ShowMessage(CutNotice(FCutLine));
}

bool TForm1::ConfirmReplacingCutFile(const std::string& fileName)
{
    if (FCutLine < 0) return true;
    std::error_code ec;
    if (!std::filesystem::equivalent(FCutFileName, fileName, ec) || ec) return true;
    return MessageDlg(ReplaceCutQuestion(FCutLine), mtConfirmation, mbYesNo, 0) == mrYes;
}

void TForm1::SavedTo(const std::string& fileName)
{
    // A converted text now has a file of its own; the source stays what saving must spare.
    if (!FImportSource.empty()) SetFileNameCaption(fileName);
    std::error_code ec;
    if (FCutLine >= 0 && std::filesystem::equivalent(FCutFileName, fileName, ec) && !ec) {
        FCutLine = -1;
        FCutFileName.clear();
    }
}

void TForm1::FormClose(TObject*, TCloseAction&)
{
    // A failed save raises out of here, and the toolkit keeps the window open.
    if (DataModified == 1) AskSaveChanges();
}

void TForm1::Button1Click(TObject*)
{
    if (DataModified == 1) AskSaveChanges();
    if (!OpenDialog1->Execute()) return;
    LoadChosenFile(OpenDialog1->FileName());
}

void TForm1::LoadChosenFile(const std::string& fileName)
{
    if (LoadConverted(fileName)) return;
    // The caption comes before the load, so a failed load leaves the new name shown.
    SetFileNameCaption(fileName);
    Memo1->Lines()->Clear();
    NoteLoad(std::string());
    Memo1->Lines()->LoadFromFile(fileName);
    NoteLoad(fileName);
    Button2->Click();
    Button2->Show();
    DataModified = 0;
    TellIfCut();
}

bool TForm1::LoadConverted(const std::string& fileName)
{
    const TFileFormat format = DetectFileFormat(fileName);
    if (format == TFileFormat::Log) {
        FImportSource.clear();
        if (FWaveLink) FWaveLink->SetTimeUnit(std::string());
        return false;
    }
    // Everything that can fail comes before the first change, so a malformed file, a cancel
    // or a text too long for the view leaves the text, caption and modified state as they were.
    const TConvertedFile converted = ConvertFile(fileName, format);
    if (!converted.Converted) return true;
    Memo1->Lines()->SetText(converted.Result.LogText);
    NoteLoad(std::string());
    FImportSource = fileName;
    SetFileNameCaption(fileName, ImportCaptionSuffix(converted));
    if (FWaveLink) FWaveLink->SetTimeUnit(ReadoutTimeUnit(converted.Result.Unit));
    Button2->Click();
    Button2->Show();
    // A new document that exists nowhere yet: closing or loading asks to save it.
    DataModified = 1;
    ShowMessage(ImportNote(converted));
    return true;
}

void TForm1::FormShortCut(TObject*, TShortCut shortCut, bool& handled)
{
    if (shortCut == ShortCut('O', ssCtrl)) {
        handled = true;
        Button1->Click();
    } else if (shortCut == ShortCut(VK_F5, 0) && Button2->Visible()) {
        handled = true;
        Button2->Click();
    } else if (FFindMeasure && FFindMeasure->ShortCut(shortCut)) {
        handled = true;
    }
}

void TForm1::FormDropFiles(TObject*, const std::vector<std::string>& fileNames)
{
    if (fileNames.empty()) return;
    if (DataModified == 1) AskSaveChanges();
    // The next open dialog starts with it, as with a file chosen there.
    OpenDialog1->SetFileName(fileNames.front());
    LoadChosenFile(fileNames.front());
}

void TForm1::Button2Click(TObject*)
{
    // Unchanged text is not read again: a new bit number only refills the series.
    const TSampleModel& model = FTextSamples->Current();
    const std::vector<TWaveView> views = WaveViews();
    std::vector<std::string> bitTexts;
    std::vector<TWaveTarget> targets;
    for (const TWaveView& view : views)
        bitTexts.push_back(view.BitField->Text());
    for (size_t i = 0; i < views.size(); ++i)
        targets.push_back({bitTexts[i], views[i].Series});
    FLastBuild =
        BuildWaveforms(model, targets, [](const std::string& message) { ShowMessage(message); });
    FBuiltParse = FTextSamples->ParseCount();
    Built();
}

bool TForm1::RebuildChangedBits()
{
    const std::vector<TWaveView> views = WaveViews();
    if (FLastBuild.Bits.size() != views.size()) return false;
    const TSampleModel& model = FTextSamples->Current();
    if (FTextSamples->ParseCount() != FBuiltParse) return false;
    // With every field naming a bit, before and now, every series stops at the same line,
    // so a series whose bit stayed keeps exactly the points a full build would give it.
    std::vector<std::string> bitTexts;
    for (const TWaveView& view : views)
        bitTexts.push_back(view.BitField->Text());
    std::vector<int> bits;
    std::vector<TWaveTarget> targets;
    for (size_t i = 0; i < views.size(); ++i) {
        bits.push_back(BitOfText(bitTexts[i]));
        if (bits[i] < 0 || FLastBuild.Bits[i] < 0) return false;
        if (bits[i] != FLastBuild.Bits[i]) targets.push_back({bitTexts[i], views[i].Series});
    }
    if (targets.empty()) return false;
    const TWaveformBuildResult part =
        BuildWaveforms(model, targets, [](const std::string& message) { ShowMessage(message); });
    FLastBuild.Succeeded = part.Succeeded;
    FLastBuild.FailedLine = part.FailedLine;
    FLastBuild.BuiltSamples = part.BuiltSamples;
    FLastBuild.Bits = bits;
    Built();
    return true;
}

void TForm1::Built()
{
    if (FWaveLink) FWaveLink->WaveformsRebuilt(FLastBuild);
    if (FFindMeasure) FFindMeasure->WaveformsRebuilt(FLastBuild);
    if (FDecoding) FDecoding->Rebuilt(FLastBuild);
    // The bad line is shown with the caret on it, so that it can be mended at once; a bad
    // bit number is no line's fault and leaves the caret alone.
    const bool everyBit = std::all_of(FLastBuild.Bits.begin(), FLastBuild.Bits.end(),
                                      [](int bit) { return bit >= 0; });
    if (!FLastBuild.Succeeded && FLastBuild.FailedLine >= 0 && everyBit)
        Memo1->SetCaretPos(TTextPos{static_cast<size_t>(FLastBuild.FailedLine), 0});
}

void TForm1::Memo1Change(TObject*)
{
    DataModified = 1;
    if (FWaveLink) FWaveLink->TextEdited();
}

void TForm1::Edit1Change(TObject*)
{
    // Fields are edited keystroke by keystroke; a half-typed number is no error to report.
    try {
        if (!RebuildChangedBits()) Button2->Click();
    } catch (...) {
    }
}

void TForm1::Panel3Resize(TObject*)
{
    const int h = Panel3->Height() / 2;
    Chart1->SetHeight(h);
    Chart2->SetHeight(h);
    // The bottom alignment puts Chart2 straight back; kept for the realignment it causes.
    Chart2->SetTop(Chart1->Height());
}

void TForm1::CoupleChartsToChart1()
{
    // The value axis goes back to its fixed range; the end written first is chosen so
    // that neither write meets the other's current value on the wrong side.
    TChartAxis* left = Chart1->LeftAxis();
    if (left->Maximum() < -0.2) {
        left->SetMaximum(1.2);
        left->SetMinimum(-0.2);
    } else {
        left->SetMinimum(-0.2);
        left->SetMaximum(1.2);
    }
    Chart2->SetBottomAxis(Chart1->BottomAxis());
    // Moving Chart2 by a pixel (the alignment moves it back) makes it redraw in full
    // with the copied time axis; the copy itself requests no repaint.
    Chart2->SetLeft(Chart2->Left() + 1);
}

void TForm1::Chart1Resize(TObject*)
{
    CoupleChartsToChart1();
}

void TForm1::Chart1Zoom(TObject*)
{
    CoupleChartsToChart1();
}

void TForm1::Chart1UndoZoom(TObject*)
{
    CoupleChartsToChart1();
}

void TForm1::Chart1Scroll(TObject*)
{
    CoupleChartsToChart1();
}

void AskSaveChanges()
{
    if (MessageDlg(SaveQuestion(), mtConfirmation, mbYesNo, 0) != mrYes) return;
    const std::string source = Form1->ImportSource();
    if (!source.empty()) {
        Form1->SaveDialog1->SetFileName(ProposedLogName(source));
        Form1->SaveDialog1->SetInitialDir(std::filesystem::path(source).parent_path().string());
    }
    if (!Form1->SaveDialog1->Execute()) return;
    const std::string fileName = Form1->SaveDialog1->FileName();
    // Raises, so that a close or load waiting on this save is abandoned with the text kept.
    if (!source.empty()) RefuseSavingOverSource(source, fileName);
    // Saving over a file that was read only up to a NUL would lose what followed it.
    if (!Form1->ConfirmReplacingCutFile(fileName)) return;
    Form1->Memo1->Lines()->SaveToFile(fileName);
    Form1->SavedTo(fileName);
}
