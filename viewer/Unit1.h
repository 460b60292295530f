// The viewer's main window: its fixed layout, the document workflow (load, edit,
// save prompt) and the handlers that rebuild the waveforms and couple the two charts.
#pragma once

#include <cstdint>
#include <memory>
#include <string>
#include <vector>

#include "chart/Chart.h"
#include "chart/LineSeries.h"
#include "toolkit/Dialogs.h"
#include "toolkit/ExtCtrls.h"
#include "toolkit/Forms.h"
#include "toolkit/Menus.h"
#include "toolkit/StdCtrls.h"
#include "viewer/ChartFind.h"
#include "viewer/Decoding.h"
#include "viewer/FindMeasure.h"
#include "viewer/TextSamples.h"
#include "viewer/WaveLink.h"
#include "viewer/Waveform.h"

// A waveform chart of the window: the chart, its series and the field with its bit number.
struct TWaveView
{
    TChart* Chart = nullptr;
    TLineSeries* Series = nullptr;
    TEdit* BitField = nullptr;
};

class TForm1 : public TForm
{
public:
    explicit TForm1(TComponent* owner = nullptr);

    TPanel* Panel1 = nullptr;
    TButton* Button1 = nullptr;
    TButton* Button2 = nullptr;
    TPanel* Panel2 = nullptr;
    TMemo* Memo1 = nullptr;
    TPanel* Panel3 = nullptr;
    TChart* Chart1 = nullptr;
    TLabel* Label1 = nullptr;
    TEdit* Edit1 = nullptr;
    TLineSeries* Series1 = nullptr;
    TChart* Chart2 = nullptr;
    TLabel* Label2 = nullptr;
    TEdit* Edit2 = nullptr;
    TLineSeries* LineSeries1 = nullptr;
    TOpenDialog* OpenDialog1 = nullptr;
    TSaveDialog* SaveDialog1 = nullptr;

    void FormCreate(TObject* sender);
    void FormClose(TObject* sender, TCloseAction& action);
    void Button1Click(TObject* sender);
    void Button2Click(TObject* sender);
    void Memo1Change(TObject* sender);
    void Edit1Change(TObject* sender);
    void Panel3Resize(TObject* sender);
    void Chart1Resize(TObject* sender);
    void Chart1Zoom(TObject* sender);
    void Chart1UndoZoom(TObject* sender);
    void Chart1Scroll(TObject* sender);
    // Ctrl+O is "Load", F5 "Repaint" once it is shown.
    void FormShortCut(TObject* sender, TShortCut shortCut, bool& handled);
    // A dropped file goes the way of "Load" after its dialog; only the first one is kept.
    void FormDropFiles(TObject* sender, const std::vector<std::string>& fileNames);

    // The start-up load of a named file: caption after the load, build, "Repaint"
    // shown. Shared with the headless tool so that it loads exactly as the program.
    void LoadStartupFile(const std::string& fileName);

    // Scales the designed layout for a window font whose text is TextHeight pixels
    // high instead of the 13 it was designed with.
    void ScaleToTextHeight(int textHeight);

    // What the last waveform build gave; a tool reports the failing line from it.
    const TWaveformBuildResult& LastBuild() const { return FLastBuild; }
    // The waveform charts, top to bottom; the build fills them in this order.
    std::vector<TWaveView> WaveViews() const;
    // The samples of Memo1's text that the builds read.
    TTextSamples& TextSamples() const { return *FTextSamples; }

    // A file loaded cut at a NUL: whether saving to FileName may replace it (asked when
    // it is that file), and that a save made it whole.
    bool ConfirmReplacingCutFile(const std::string& fileName);
    void SavedTo(const std::string& fileName);

    // The file the text was converted from (another program's format), empty for a log.
    // Saving never writes over it.
    const std::string& ImportSource() const { return FImportSource; }

    std::string ClassName() const override { return "TForm1"; }

private:
    void NoteLoad(const std::string& fileName);
    void TellIfCut();

    void BuildLayout();
    // The charts' decoders, their menu and their links to the readout and the double-click.
    void BuildDecoding();
    void CoupleChartsToChart1();
    // "Load" once the file is chosen: caption, text, build, "Repaint" shown.
    void LoadChosenFile(const std::string& fileName);
    // Another program's file: converted into a new, unsaved text; false for a log, which the
    // caller loads as it always has. A malformed file raises with nothing changed.
    bool LoadConverted(const std::string& fileName);

    // A bit field changed and the text is as last built: refills only the series whose bit
    // changed (the others already hold what a build would give them); false when a full
    // build is needed.
    bool RebuildChangedBits();
    // After a build: the wave link told, the caret put on a bad line.
    void Built();

    TWaveformBuildResult FLastBuild;
    // The text parse the last build read.
    uint64_t FBuiltParse = 0;
    std::unique_ptr<TTextSamples> FTextSamples;
    // The file last loaded when a NUL cut it, and the 0-based line it was cut at.
    std::string FCutFileName;
    int FCutLine = -1;
    std::string FImportSource;
    std::unique_ptr<TWaveLink> FWaveLink;

    // Declared after the link: it wraps the link's chart events and goes first.
    std::unique_ptr<TFindMeasure> FFindMeasure;
    // The chart menu's "Find pulse..." and "Find word...", through FFindMeasure.
    std::unique_ptr<TChartFind> FChartFind;

public:
    // The readout, marker and double-click jump between Memo1 and the charts.
    TWaveLink* WaveLink() const { return FWaveLink.get(); }
    // Markers A and B, the find bar's queries, Ctrl+G and the edge keys; the chart menu's
    // "Marker A here", "Marker B here" and "Clear markers" call it.
    TFindMeasure* FindMeasure() const { return FFindMeasure.get(); }

    // The entries of chart Chart's menu (0-based, as WaveViews), raised by a right click
    // without movement.
    std::vector<TMenuItem> ChartMenu(int chart);
    void ChartContextPopup(int chart, int x, int y);
    // The charts' decoders.
    TWindowDecoding* Decoding() const { return FDecoding.get(); }
    // Both charts centred on Time, their zoom kept.
    void CentreChartsOn(double time);

private:
    std::unique_ptr<TWindowDecoding> FDecoding;
    std::unique_ptr<TPopupMenu> FChartMenu;
    // The column of the last right click that asked for the chart's menu.
    int FChartMenuX = 0;
};

extern TForm1* Form1;

// 1 when the text view changed since the last load, else 0.
extern uint8_t DataModified;

// The program's arguments after its own path, as the shell split them: file names,
// the file system's bytes.
// Set by the start routine before the main window is created; FormCreate reads it.
extern std::vector<std::string> ProgramArguments;

// Offers to save the changed text of Form1's view; a failed save raises
// EFCreateError, which abandons whatever the caller was about to do.
void AskSaveChanges();
