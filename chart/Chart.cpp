#include "chart/Chart.h"

#include <algorithm>
#include <clocale>
#include <cstring>
#include <vector>

#include "chart/StoreChanged.h"

namespace {

// Room between a title block and the chart rectangle.
constexpr int kTitleSeparation = 5;

} // namespace

void ApplyChartDefaultFontRule(TFont& font, bool japaneseUserInterface)
{
    ApplyChartDefaultFont(font);
    if (!japaneseUserInterface) return;
    const TFont toolkitDefault;
    font.SetName(toolkitDefault.Name());
    font.SetSize(toolkitDefault.Size());
}

bool JapaneseUserInterface()
{
    // The application takes the platform's locale at start-up; the C library then names the
    // language of messages ("ja", "ja_JP.UTF-8", ...).
    const char* name = std::setlocale(LC_MESSAGES, nullptr);
    if (name == nullptr || std::strncmp(name, "ja", 2) != 0) return false;
    return name[2] == '\0' || name[2] == '_' || name[2] == '.' || name[2] == '@';
}

TCustomChartWall::TCustomChartWall(TCustomChart* chart, TColor defaultColor)
    : FColor(defaultColor), FBrush(std::make_unique<TChartBrush>([this](TObject*) { Repaint(); })),
      FPen(std::make_unique<TChartPen>([this](TObject*) { Repaint(); })), FParentChart(chart),
      FDefaultColor(defaultColor)
{
}

TCustomChartWall::~TCustomChartWall() = default;

void TCustomChartWall::Repaint()
{
    if (FParentChart != nullptr) FParentChart->RequestRepaint();
}

void TCustomChartWall::SetColor(TColor value)
{
    if (StoreChanged(FColor, value)) Repaint();
}

void TCustomChartWall::SetBrush(const TBrush* value)
{
    FBrush->Assign(value);
}

void TCustomChartWall::SetDark3D(bool value)
{
    if (StoreChanged(FDark3D, value)) Repaint();
}

void TCustomChartWall::SetPen(const TChartPen* value)
{
    FPen->Assign(value);
}

void TCustomChartWall::SetSize(int value)
{
    if (StoreChanged(FSize, value)) Repaint();
}

void TCustomChartWall::Assign(const TPersistent* source)
{
    const auto* other = dynamic_cast<const TCustomChartWall*>(source);
    if (other == nullptr) {
        TPersistent::Assign(source);
        return;
    }
    SetColor(other->FColor);
    FBrush->Assign(other->FBrush.get());
    SetDark3D(other->FDark3D);
    FPen->Assign(other->FPen.get());
    SetSize(other->FSize);
}

TChartTitle::TChartTitle(TCustomChart* chart)
    : TChartFontObject(chart),
      FBrush(std::make_unique<TChartBrush>([this](TObject*) { Repaint(); })),
      FFrame(std::make_unique<TChartHiddenPen>([this](TObject*) { Repaint(); })),
      FText(std::make_unique<TStringList>())
{
    // The title font differs from the chart default font only in its colour.
    ApplyChartDefaultFontRule(*Font(), JapaneseUserInterface());
    Font()->SetColor(0xFF0000);
    FText->OnChange = [this](TObject*) { Repaint(); };
}

TChartTitle::~TChartTitle() = default;

template <class T> void TChartTitle::Change(T& field, const T& value)
{
    if (StoreChanged(field, value)) Repaint();
}

void TChartTitle::SetAdjustFrame(bool value)
{
    Change(FAdjustFrame, value);
}

void TChartTitle::SetAlignment(TAlignment value)
{
    Change(FAlignment, value);
}

void TChartTitle::SetBrush(const TBrush* value)
{
    FBrush->Assign(value);
}

void TChartTitle::SetColor(TColor value)
{
    Change(FColor, value);
}

void TChartTitle::SetFrame(const TChartPen* value)
{
    FFrame->Assign(value);
}

void TChartTitle::SetText(const TStrings* value)
{
    std::vector<std::string> lines;
    if (value != nullptr) {
        lines.reserve(static_cast<size_t>(value->Count()));
        for (int i = 0; i < value->Count(); ++i)
            lines.push_back(value->Get(i));
    }
    FText->SetLines(std::move(lines));
}

void TChartTitle::SetVisible(bool value)
{
    Change(FVisible, value);
}

void TChartTitle::Assign(const TPersistent* source)
{
    const auto* other = dynamic_cast<const TChartTitle*>(source);
    if (other == nullptr) {
        TPersistent::Assign(source);
        return;
    }
    SetFont(other->Font());
    SetAdjustFrame(other->FAdjustFrame);
    SetAlignment(other->FAlignment);
    FBrush->Assign(other->FBrush.get());
    SetColor(other->FColor);
    FFrame->Assign(other->FFrame.get());
    SetText(other->FText.get());
    SetVisible(other->FVisible);
}

void TChartLegend::SetVisible(bool value)
{
    if (StoreChanged(FVisible, value))
        if (FParentChart != nullptr) FParentChart->RequestRepaint();
}

void TChartLegend::Assign(const TPersistent* source)
{
    const auto* other = dynamic_cast<const TChartLegend*>(source);
    if (other == nullptr) {
        TPersistent::Assign(source);
        return;
    }
    SetVisible(other->FVisible);
}

TCustomChart::TCustomChart(TComponent* owner) : TCustomAxisPanel(owner)
{
    FTitle = std::make_unique<TChartTitle>(this);
    FFoot = std::make_unique<TChartTitle>(this);
    FBackWall = std::make_unique<TChartWall>(this, clSeriesDefault);
    FBackWall->Brush()->SetStyle(bsClear);
    FLeftWall = std::make_unique<TChartWall>(this, 0x80FFFF);
    FLegend = std::make_unique<TChartLegend>(this);
    FBottomWall = std::make_unique<TChartWall>(this, 0xFFFFFF);
}

TCustomChart::~TCustomChart()
{
    // Series still attached are freed by the axis panel, which may ask for a repaint.
    MarkDestroying();
}

void TCustomChart::SetBackImageInside(bool value)
{
    if (StoreChanged(FBackImageInside, value)) RequestRepaint();
}

void TCustomChart::SetBackWall(const TChartWall* value)
{
    FBackWall->Assign(value);
}

void TCustomChart::SetBottomWall(const TChartWall* value)
{
    FBottomWall->Assign(value);
}

void TCustomChart::SetLeftWall(const TChartWall* value)
{
    FLeftWall->Assign(value);
}

void TCustomChart::SetFoot(const TChartTitle* value)
{
    FFoot->Assign(value);
}

void TCustomChart::SetTitle(const TChartTitle* value)
{
    FTitle->Assign(value);
}

void TCustomChart::SetLegend(const TChartLegend* value)
{
    FLegend->Assign(value);
}

void TCustomChart::SetBackColor(TColor value)
{
    FBackWall->SetColor(value);
    if (Parent() != nullptr && !IsLoading()) FBackWall->Brush()->SetStyle(bsSolid);
}

void TCustomChart::RenderParts(TRect& panelRect)
{
    // Handlers may attach or free series while the chart draws: walk the live list by index,
    // never by an iterator or a copy that could outlive a series.
    auto forEachActiveSeries = [this](auto&& action) {
        for (int i = 0; i < SeriesCount(); ++i)
            if (TChartSeries* s = Series(i); s->Active()) action(s);
    };

    PaintBackground(panelRect);
    forEachActiveSeries([](TChartSeries* s) { s->PrepareForDrawing(); });
    PaintTitlesAndLegend();
    LayOutAxes();
    FitSeriesMargins();
    Canvas3D()->SetProjection(0, panelRect, ChartRect());
    PaintWalls();
    if (AxisVisible()) PaintAxes();
    if (OnBeforeDrawSeries) OnBeforeDrawSeries(this);
    forEachActiveSeries([this](TChartSeries* s) { PaintSeries(s); });
    if (FAnnotations != nullptr) PaintAnnotations();
    if (ZoomRecord().Active) PaintZoomRectangle();
    Canvas3D()->ResetDrawingState();
    if (OnAfterDraw) OnAfterDraw(this);
}

void TCustomChart::PaintBackground(TRect rect)
{
    TChartCanvas3D* canvas = Canvas3D();
    // A gradient is not drawn by this engine; the plain fill stands in for it.
    if (!PrintMode()) {
        canvas->Brush()->SetColor(Color());
        canvas->Brush()->SetStyle(bsSolid);
        canvas->FillRectangle(rect);
    }
    PaintBevels(rect);
}

void TCustomChart::PaintBevels(TRect& rect)
{
    if (PrintMode()) return;
    TChartCanvas3D* canvas = Canvas3D();
    TPen* pen = canvas->Pen();
    pen->SetStyle(psSolid);
    pen->SetWidth(1);
    pen->SetMode(pmCopy);
    canvas->Brush()->SetStyle(bsClear);
    auto frame = [&](TBevelCut cut) {
        const TColor top = cut == bvLowered ? clBtnShadow : clBtnHighlight;
        const TColor bottom = cut == bvRaised ? clBtnShadow : clBtnHighlight;
        canvas->Frame3D(rect, top, bottom, BevelWidth());
    };
    if (BevelOuter() != bvNone) frame(BevelOuter());
    canvas->Frame3D(rect, Color(), Color(), BorderWidth());
    if (BevelInner() != bvNone) frame(BevelInner());
}

void TCustomChart::PaintTitlesAndLegend()
{
    TChartCanvas3D* canvas = Canvas3D();
    canvas->BeginFlatDrawing();
    // The legend is never drawn, so titles are all there is, whatever its orientation.
    if (FTitle->Visible()) PaintTitle(FTitle.get(), true);
    if (FFoot->Visible()) PaintTitle(FFoot.get(), false);
    canvas->EndFlatDrawing();
}

void TCustomChart::PaintTitle(TChartTitle* title, bool onTop)
{
    TChartCanvas3D* canvas = Canvas3D();
    canvas->Font()->Assign(title->Font());
    const int lineHeight = canvas->FontLineHeight();

    TBrush* brush = canvas->Brush();
    const TChartBrush* titleBrush = title->Brush();
    if (title->Color() == clSeriesDefault) {
        if (titleBrush->Style() != bsSolid) {
            brush->Assign(titleBrush);
            canvas->SetBackgroundMode(TRANSPARENT);
        } else if (titleBrush->Color() == clSeriesDefault) {
            brush->SetStyle(bsClear);
        } else {
            title->SetColor(titleBrush->Color());
            brush->SetStyle(bsSolid);
            brush->SetColor(title->Color());
        }
    } else if (titleBrush->Style() != bsSolid) {
        brush->Assign(titleBrush);
        canvas->SetBackgroundMode(OPAQUE);
        canvas->SetBackgroundColor(ColorToRGB(title->Color()));
    } else {
        brush->SetStyle(bsSolid);
        brush->SetColor(title->Color());
    }

    const TChartHiddenPen* framePen = title->Frame();
    const bool frameVisible = framePen->Visible() && framePen->Color() != clSeriesDefault;
    const int f = frameVisible ? framePen->Width() : 0;
    if (frameVisible)
        canvas->ApplyChartPen(framePen);
    else
        canvas->Pen()->SetStyle(psClear);

    const TStringList* text = title->Text();
    const int lines = text->Count();
    const TRect& chart = ChartRect();
    TRect work{chart.Left + f, 0, chart.Right - f, 0};
    TRect block = work;
    if (onTop) {
        work.Top = chart.Top + f;
        work.Bottom = work.Top - kTitleSeparation;
        block.Top = work.Top;
        block.Bottom = work.Top + lines * lineHeight;
    } else {
        work.Bottom = chart.Bottom - f;
        work.Top = work.Bottom + kTitleSeparation;
        block.Bottom = work.Bottom;
        block.Top = work.Bottom - lines * lineHeight;
    }
    block = TRect{block.Left - f, block.Top - f, block.Right + f, block.Bottom + f};

    const int wWidth = canvas->MeasureTextWidth("W");
    if (frameVisible || brush->Style() != bsClear) {
        if (title->AdjustFrame()) {
            int widest = 0;
            for (int i = 0; i < lines; ++i)
                widest = std::max(widest, canvas->MeasureTextWidth(text->Get(i)));
            const int width = widest + wWidth;
            switch (title->Alignment()) {
            case taLeftJustify:
                block.Right = block.Left + width;
                break;
            case taRightJustify:
                block.Left = block.Right - width;
                break;
            case taCenter: {
                const int centre = (block.Left + block.Right) / 2;
                block.Left = centre - width / 2;
                block.Right = centre + width / 2;
                break;
            }
            }
        }
        canvas->DrawRect(block);
    }
    title->TextBlockRect = block;

    canvas->SetBackgroundMode(TRANSPARENT);
    canvas->SetTextAlignment(TA_LEFT | TA_TOP);
    auto lineX = [&](const std::string& line) {
        switch (title->Alignment()) {
        case taLeftJustify:
            return work.Left + wWidth / 2;
        case taRightJustify:
            return work.Right - canvas->MeasureTextWidth(line) - wWidth / 2;
        case taCenter:
            break;
        }
        return (work.Left + work.Right) / 2 - canvas->MeasureTextWidth(line) / 2;
    };
    if (onTop) {
        for (int i = 0; i < lines; ++i) {
            const std::string line = text->Get(i);
            canvas->WriteText(lineX(line), work.Top, line);
            // The block ends under its last line; with no line at all it ends 5 above its
            // top, so that an empty title takes no room.
            work.Top += lineHeight;
            work.Bottom = work.Top;
        }
        if (frameVisible) work.Bottom += f;
        TRect r = ChartRect();
        r.Top = work.Bottom + kTitleSeparation;
        SetChartRect(r);
    } else {
        for (int i = lines - 1; i >= 0; --i) {
            const std::string line = text->Get(i);
            canvas->WriteText(lineX(line), work.Bottom - lineHeight, line);
            work.Bottom -= lineHeight;
            work.Top = work.Bottom;
        }
        if (frameVisible) work.Top -= f;
        TRect r = ChartRect();
        r.Bottom = work.Top - kTitleSeparation;
        SetChartRect(r);
    }
    UpdateChartSize();
}

void TCustomChart::LayOutAxes()
{
    const std::vector<TCustomChartAxis*>& axes = AxesList();
    for (TCustomChartAxis* axis : axes)
        axis->ComputeAutoRange();
    UpdateChartSize();
    const TRect outer = ChartRect();
    // The labels' room depends on the label step, and the step on the axis length of the
    // last placement: on a first drawing, after a resize or a zoom that placement is stale,
    // so the room is measured once more on the fresh one. Without this the plot jumps
    // sideways at the drawing after.
    for (int pass = 0; pass < 2; ++pass) {
        TRect work = outer;
        for (size_t i = 0; i < axes.size(); ++i) {
            TCustomChartAxis* axis = axes[i];
            if (!IsAxisShown(axis)) continue;
            TRect reduced = work;
            axis->ReserveAxisSpace(reduced);
            // An axis that would leave no room keeps the rectangle as it was.
            TRect both;
            if (IntersectRect(both, reduced, work)) work = both;
        }
        SetChartRect(work);
        UpdateChartSize();
        for (TCustomChartAxis* axis : axes)
            axis->PlaceOnChartRect();
    }
}

void TCustomChart::FitSeriesMargins()
{
    TCustomChartAxis* const order[] = {TopAxis(), LeftAxis(), RightAxis(), BottomAxis()};
    for (TCustomChartAxis* axis : order) {
        int startMargin = 0;
        int endMargin = 0;
        for (TChartSeries* series : SeriesList()) {
            if (!series->Active() || !series->AssociatedToAxis(axis)) continue;
            int a = 0;
            int b = 0;
            if (axis->IsHorizontal) {
                series->CalcHorizMargins(a, b);
                if (axis->AutomaticMinimum()) startMargin = std::max(startMargin, a);
                if (axis->AutomaticMaximum()) endMargin = std::max(endMargin, b);
            } else {
                series->CalcVerticalMargins(a, b);
                if (axis->AutomaticMaximum()) startMargin = std::max(startMargin, a);
                if (axis->AutomaticMinimum()) endMargin = std::max(endMargin, b);
            }
        }
        axis->ApplySeriesMargins(startMargin, endMargin);
    }
}

void TCustomChart::PaintWalls()
{
    SetWallPaint(FBackWall.get());
    // Only the flat back wall is drawn: 3D walls are not part of this engine.
    const TRect& r = ChartRect();
    Canvas3D()->DrawRect(r.Left, r.Top, r.Right + 1, r.Bottom + 1);
}

void TCustomChart::SetWallPaint(const TCustomChartWall* wall)
{
    TChartCanvas3D* canvas = Canvas3D();
    canvas->ApplyChartPen(wall->Pen());
    const TChartBrush* wallBrush = wall->Brush();
    if (wallBrush->Bitmap() != nullptr) {
        canvas->Brush()->SetBitmap(wallBrush->Bitmap());
        return;
    }
    if (wall->Color() == clSeriesDefault && wallBrush->Style() == bsSolid) {
        canvas->Brush()->SetStyle(bsClear);
        return;
    }
    ApplyFillBrush(wall->Color(), wallBrush->Style(), wallBrush->Color());
}

void TCustomChart::ApplyFillBrush(TColor color, TBrushStyle style, TColor backColor)
{
    // A hatch in the colour of its own background would not show.
    if (style != bsSolid && color == backColor) color = backColor == clBlack ? clWhite : clBlack;
    TChartCanvas3D* canvas = Canvas3D();
    canvas->Brush()->SetColor(color);
    canvas->Brush()->SetStyle(style);
    if (style == bsSolid) {
        canvas->SetBackgroundMode(TRANSPARENT);
    } else {
        canvas->SetBackgroundMode(OPAQUE);
        canvas->SetBackgroundColor(ColorToRGB(backColor));
    }
}

void TCustomChart::PaintAxes()
{
    if (OnBeforeDrawAxes) OnBeforeDrawAxes(this);
    for (TCustomChartAxis* axis : AxesList())
        if (IsAxisShown(axis)) axis->DrawAxis(true);
}

void TCustomChart::PaintSeries(TChartSeries* series)
{
    series->ComputeDrawnRange();
    if (series->FirstDrawnIndex() == -1) return;
    if (series->BeforeDrawValues) series->BeforeDrawValues(series);
    TChartCanvas3D* canvas = Canvas3D();
    const bool clip = ClipPoints() && ClippingAllowed();
    if (clip) canvas->ClipToPlot(ChartRect(), 0, 0);
    series->PaintAllPoints();
    if (clip) canvas->RemoveClip();
    // Marks are never visible in this engine, so there is nothing to draw for them.
    if (series->AfterDrawValues) series->AfterDrawValues(series);
}

bool TCustomChart::ClippingAllowed() const
{
    // Printing and metafiles clip too: both settings that would forbid it are on.
    return !Canvas3D()->SupportsFullRotation();
}

void TCustomChart::PaintZoomRectangle()
{
    TChartCanvas3D* canvas = Canvas3D();
    TColor color = ColorToRGB(Color());
    if (color == 0xFFFFFF) color = clBlack;
    TPen* pen = canvas->Pen();
    pen->SetColor(color);
    pen->SetMode(pmNotXor);
    pen->SetStyle(psSolid);
    pen->SetWidth(1);
    canvas->Brush()->SetStyle(bsClear);
    const TZoomPanningRecord& zoom = ZoomRecord();
    canvas->DrawRect(zoom.X0, zoom.Y0, zoom.X1, zoom.Y1);
}
