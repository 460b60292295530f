#include <gtest/gtest.h>

#include <QAbstractButton>
#include <QApplication>
#include <QKeyEvent>
#include <QLineEdit>
#include <QPaintEvent>
#include <QRegion>
#include <QWidget>
#include <functional>
#include <memory>
#include <vector>

#include "toolkit/Controls_p.h"
#include "toolkit/Dialogs.h"
#include "toolkit/ExtCtrls.h"
#include "toolkit/Forms.h"
#include "toolkit/StdCtrls.h"
#include "toolkit/TestSupport.h"

namespace {

// A panel that records what the toolkit tells it, as a chart does.
class TProbePanel : public TCustomPanel
{
public:
    using TCustomPanel::Canvas;
    using TCustomPanel::TCustomPanel;

    int Paints = 0;
    int Resizes = 0;
    bool SkipErase = false;
    bool ThrowOnMouseDown = false;
    std::vector<std::string> Log;

protected:
    void Paint() override
    {
        ++Paints;
        TCustomPanel::Paint();
    }
    bool EraseBackground() override { return SkipErase; }
    void Resize() override
    {
        ++Resizes;
        TCustomPanel::Resize();
    }
    void MouseDown(TMouseButton button, TShiftState shift, int x, int y) override
    {
        if (ThrowOnMouseDown) throw Exception("Mouse went wrong");
        Log.push_back(Format("down %d %d %d %d", button, shift, x, y));
    }
    void MouseMove(TShiftState shift, int x, int y) override
    {
        Log.push_back(Format("move %d %d %d", shift, x, y));
    }
    void MouseUp(TMouseButton button, TShiftState shift, int x, int y) override
    {
        Log.push_back(Format("up %d %d %d %d", button, shift, x, y));
    }
    void MouseLeave() override { Log.push_back("leave"); }
    bool DoMouseWheelDown(TShiftState shift, TPoint) override
    {
        Log.push_back(Format("wheel down %d", shift));
        return true;
    }
    bool DoMouseWheelUp(TShiftState shift, TPoint) override
    {
        Log.push_back(Format("wheel up %d", shift));
        return true;
    }
};

// Records the paint events Qt delivers to a widget and the area they cover.
class TPaintEventProbe : public QObject
{
public:
    explicit TPaintEventProbe(QWidget* widget) { widget->installEventFilter(this); }

    int Events = 0;
    QRegion Area;

protected:
    bool eventFilter(QObject*, QEvent* e) override
    {
        if (e->type() == QEvent::Paint) {
            ++Events;
            Area += static_cast<QPaintEvent*>(e)->region();
        }
        return false;
    }
};

int UpdateRequests(const TControl* c)
{
    return ControlPrivate(c)->updateRequests;
}

TRect Bounds(const TControl* c)
{
    return c->BoundsRect();
}

struct TAlignRow
{
    const char* name;
    int borderWidth;
    TBevelCut inner;
    TRect top, bottom, left, right, client;
};

} // namespace

TEST(Alignment, ChildrenFillTheInnerAreaInOrder)
{
    // Panel 200 x 100, outer bevel 1; children: top 20 high, bottom 30 high, left 40
    // wide, right 10 wide, client the rest.
    const TAlignRow rows[] = {
        {"bevel only",
         0,
         bvNone,
         {1, 1, 199, 21},
         {1, 69, 199, 99},
         {1, 21, 41, 69},
         {189, 21, 199, 69},
         {41, 21, 189, 69}},
        {"border and inner bevel",
         2,
         bvLowered,
         {4, 4, 196, 24},
         {4, 66, 196, 96},
         {4, 24, 44, 66},
         {186, 24, 196, 66},
         {44, 24, 186, 66}},
    };
    for (const TAlignRow& row : rows) {
        SCOPED_TRACE(row.name);
        TPanel panel;
        panel.SetBounds(0, 0, 200, 100);
        panel.SetBorderWidth(row.borderWidth);
        panel.SetBevelInner(row.inner);
        // Created in an order unlike the placing order, to show that order is by alignment.
        auto* client = new TPanel(&panel);
        auto* right = new TPanel(&panel);
        auto* left = new TPanel(&panel);
        auto* bottom = new TPanel(&panel);
        auto* top = new TPanel(&panel);
        client->SetAlign(alClient);
        right->SetWidth(10);
        right->SetAlign(alRight);
        left->SetWidth(40);
        left->SetAlign(alLeft);
        bottom->SetHeight(30);
        bottom->SetAlign(alBottom);
        top->SetHeight(20);
        top->SetAlign(alTop);
        for (TControl* c : {client, right, left, bottom, top})
            c->SetParent(&panel);
        EXPECT_EQ(Bounds(top), row.top);
        EXPECT_EQ(Bounds(bottom), row.bottom);
        EXPECT_EQ(Bounds(left), row.left);
        EXPECT_EQ(Bounds(right), row.right);
        EXPECT_EQ(Bounds(client), row.client);
        // The parent's new size carries everything along.
        panel.SetBounds(0, 0, 300, 150);
        EXPECT_EQ(Bounds(client).Right, row.client.Right + 100);
        EXPECT_EQ(Bounds(bottom).Bottom, row.bottom.Bottom + 50);
    }
}

TEST(Alignment, MovingAnAlignedChildPutsItBack)
{
    TPanel panel;
    panel.SetBounds(0, 0, 896, 449);
    auto* chart = new TProbePanel(&panel);
    chart->SetParent(&panel);
    chart->SetHeight(160);
    chart->SetAlign(alBottom);
    const TRect placed = Bounds(chart);
    ASSERT_EQ(placed, (TRect{1, 288, 895, 448}));
    FlushPaints(chart);
    const int resizes = chart->Resizes;
    struct Move
    {
        const char* name;
        int dl, dt;
    } moves[] = {{"left + 1", 1, 0}, {"top - 100", 0, -100}, {"both", 5, 7}};
    for (const Move& m : moves) {
        SCOPED_TRACE(m.name);
        chart->SetBounds(chart->Left() + m.dl, chart->Top() + m.dt, chart->Width(),
                         chart->Height());
        EXPECT_EQ(Bounds(chart), placed);
        // A move of a full-repaint panel invalidates it, even though it ends in place.
        EXPECT_TRUE(chart->NeedsPaint());
        FlushPaints(chart);
    }
    EXPECT_EQ(chart->Resizes, resizes) << "moves are no size changes";
}

TEST(Alignment, HalvingAPanelBetweenTopAndBottomChildren)
{
    // Two charts share a panel: the resize handler gives each half the height and
    // tries to put the lower one under the upper; alignment keeps both at the edges.
    struct Row
    {
        int height;
        TRect top, bottom;
    } rows[] = {
        {449, {1, 1, 895, 225}, {1, 224, 895, 448}},
        {450, {1, 1, 895, 226}, {1, 224, 895, 449}},
    };
    for (const Row& row : rows) {
        SCOPED_TRACE(row.height);
        TPanel host;
        host.SetBounds(0, 0, 896, 300);
        auto* upper = new TProbePanel(&host);
        auto* lower = new TProbePanel(&host);
        upper->SetParent(&host);
        lower->SetParent(&host);
        upper->SetAlign(alTop);
        lower->SetAlign(alBottom);
        int hostResizes = 0;
        host.OnResize = [&](TObject*) {
            ++hostResizes;
            const int h = host.Height() / 2;
            upper->SetHeight(h);
            lower->SetHeight(h);
            lower->SetTop(upper->Height());
        };
        const int upperResizes = upper->Resizes;
        host.SetHeight(row.height);
        EXPECT_EQ(hostResizes, 1);
        EXPECT_EQ(Bounds(upper), row.top);
        EXPECT_EQ(Bounds(lower), row.bottom);
        // The upper child changed height once: from its old height to the half.
        EXPECT_EQ(upper->Resizes - upperResizes, 1);
    }
}

TEST(Alignment, ResizeHandlerMovingASiblingDuringAlignmentIsUndone)
{
    TPanel host;
    host.SetBounds(0, 0, 400, 300);
    auto* upper = new TProbePanel(&host);
    auto* lower = new TProbePanel(&host);
    upper->SetParent(&host);
    lower->SetParent(&host);
    upper->SetHeight(100);
    upper->SetAlign(alTop);
    lower->SetHeight(100);
    lower->SetAlign(alBottom);
    // As the chart coupling does: the upper chart's resize nudges the lower one.
    upper->OnResize = [&](TObject*) { lower->SetLeft(lower->Left() + 1); };
    host.SetWidth(500);
    EXPECT_EQ(Bounds(lower), (TRect{1, 199, 499, 299}));
}

TEST(Resize, RaisedForEverySizeChangeAndNotForMoves)
{
    TProbePanel panel;
    int events = 0;
    panel.OnResize = [&](TObject* sender) {
        EXPECT_EQ(sender, &panel);
        ++events;
    };
    panel.SetBounds(0, 0, 100, 50);
    panel.SetBounds(0, 0, 100, 50);
    panel.SetBounds(10, 10, 100, 50);
    panel.SetWidth(120);
    panel.SetHeight(60);
    EXPECT_EQ(events, 3);
    panel.BeginLoading();
    panel.SetHeight(70);
    panel.EndLoading();
    EXPECT_EQ(events, 3) << "no notifications while a layout is read";
}

TEST(Resize, FirstShowSizesEveryWindowedControlOnceParentsFirst)
{
    TForm form;
    auto* outer = new TPanel(&form);
    outer->SetParent(&form);
    auto* inner = new TPanel(&form);
    inner->SetParent(outer);
    std::vector<std::string> order;
    form.OnResize = [&](TObject*) { order.push_back("form"); };
    outer->OnResize = [&](TObject*) { order.push_back("outer"); };
    inner->OnResize = [&](TObject*) { order.push_back("inner"); };
    form.Show();
    EXPECT_EQ(order, (std::vector<std::string>{"form", "outer", "inner"}));
    form.Hide();
    form.Show();
    EXPECT_EQ(order.size(), 3u);
}

TEST(Painting, RequestsBeforeAPaintGiveOnePaint)
{
    TProbePanel panel;
    panel.SetBounds(0, 0, 50, 40);
    FlushPaints(&panel);
    const int before = panel.Paints;
    for (int i = 0; i < 5; ++i)
        panel.Invalidate();
    FlushPaints(&panel);
    FlushPaints(&panel);
    EXPECT_EQ(panel.Paints, before + 1);
}

TEST(Painting, ShownPanelPaintsOnceThroughTheEventLoop)
{
    TForm form;
    form.SetBounds(0, 0, 200, 100);
    auto* panel = new TProbePanel(&form);
    panel->SetParent(&form);
    panel->SetAlign(alClient);
    form.Show();
    ProcessEvents();
    const int before = panel->Paints;
    EXPECT_GE(before, 1);
    panel->Invalidate();
    panel->Invalidate();
    panel->Invalidate();
    ProcessEvents();
    EXPECT_EQ(panel->Paints, before + 1);
    // An exposure with nothing invalidated shows the image without a new Paint().
    ControlWidget(panel)->repaint();
    EXPECT_EQ(panel->Paints, before + 1);
}

TEST(Painting, RequestsOnAShownPanelReachQtOnceUntilItPaints)
{
    TForm form;
    form.SetBounds(0, 0, 200, 100);
    auto* panel = new TProbePanel(&form);
    panel->SetParent(&form);
    panel->SetAlign(alClient);
    form.Show();
    ProcessEvents();
    TPaintEventProbe probe(ControlWidget(panel));
    const int paints = panel->Paints;
    const int requests = UpdateRequests(panel);
    for (int i = 0; i < 1000; ++i)
        panel->Invalidate();
    EXPECT_EQ(UpdateRequests(panel), requests + 1);
    ProcessEvents();
    EXPECT_EQ(panel->Paints, paints + 1);
    EXPECT_EQ(probe.Events, 1);
    EXPECT_TRUE(probe.Area.contains(ControlWidget(panel)->rect()));
    // After the paint, the next request is a new one.
    panel->Invalidate();
    panel->Invalidate();
    EXPECT_EQ(UpdateRequests(panel), requests + 2);
    ProcessEvents();
    EXPECT_EQ(panel->Paints, paints + 2);
    EXPECT_EQ(probe.Events, 2);
}

TEST(Painting, QueuedPaintSurvivesChangesThatDropOrWidenIt)
{
    struct Row
    {
        const char* name;
        std::function<void(TForm&, TProbePanel*)> change;
    } rows[] = {
        {"panel hidden, invalidated, shown",
         [](TForm&, TProbePanel* p) {
             p->Hide();
             ProcessEvents();
             p->Invalidate();
             p->Show();
         }},
        {"form hidden and shown",
         [](TForm& f, TProbePanel*) {
             f.Hide();
             ProcessEvents();
             f.Show();
         }},
        {"resized", [](TForm&, TProbePanel* p) { p->SetBounds(10, 10, 150, 70); }},
        {"moved", [](TForm&, TProbePanel* p) { p->SetBounds(30, 20, 100, 50); }},
        {"moved to another parent",
         [](TForm& f, TProbePanel* p) {
             auto* host = new TPanel(&f);
             host->SetBounds(0, 0, 180, 90);
             host->SetParent(&f);
             p->SetParent(host);
         }},
    };
    for (const Row& row : rows) {
        SCOPED_TRACE(row.name);
        TForm form;
        form.SetBounds(0, 0, 200, 100);
        auto* panel = new TProbePanel(&form);
        panel->SetBounds(10, 10, 100, 50);
        panel->SetParent(&form);
        form.Show();
        ProcessEvents();
        panel->Invalidate();
        row.change(form, panel);
        ProcessEvents();
        // Whatever happened to the queued paint, a later request must reach the screen.
        const int paints = panel->Paints;
        TPaintEventProbe probe(ControlWidget(panel));
        panel->Invalidate();
        ProcessEvents();
        EXPECT_EQ(panel->Paints, paints + 1);
        EXPECT_FALSE(panel->NeedsPaint());
        EXPECT_TRUE(probe.Area.contains(ControlWidget(panel)->rect()));
    }
}

TEST(Painting, AreaDrawnOutsideAPaintReachesTheScreen)
{
    TForm form;
    form.SetBounds(0, 0, 200, 100);
    auto* panel = new TProbePanel(&form);
    panel->SetParent(&form);
    panel->SetAlign(alClient);
    form.Show();
    ProcessEvents();
    const int paints = panel->Paints;
    TPaintEventProbe probe(ControlWidget(panel));
    // Once with nothing queued, once while a full paint is queued and not yet run.
    for (const bool queued : {false, true}) {
        SCOPED_TRACE(queued);
        if (queued) panel->Invalidate();
        probe.Area = QRegion();
        TCanvas* canvas = panel->Canvas();
        canvas->Pen()->SetMode(pmNotXor);
        canvas->MoveTo(20, 30);
        canvas->LineTo(120, 30);
        ProcessEvents();
        EXPECT_TRUE(probe.Area.contains(QRect(20, 30, 100, 1)));
    }
    EXPECT_EQ(probe.Events, 2);
    EXPECT_EQ(panel->Paints, paints + 1) << "only the invalidation draws anew";
}

TEST(Painting, DefaultPanelDrawsRaisedBevelAndFace)
{
    TProbePanel panel;
    panel.SetBounds(0, 0, 30, 20);
    FlushPaints(&panel);
    const uint32_t face = ColorToRGB(clBtnFace);
    const uint32_t light = ColorToRGB(clBtnHighlight);
    const uint32_t shadow = ColorToRGB(clBtnShadow);
    struct Row
    {
        int x, y;
        uint32_t rgb;
    } rows[] = {{0, 0, light},   {28, 0, light}, {0, 18, light}, {29, 0, shadow}, {29, 19, shadow},
                {1, 19, shadow}, {1, 1, face},   {15, 10, face}, {28, 18, face}};
    for (const Row& r : rows)
        EXPECT_EQ(ControlPixel(&panel, r.x, r.y), r.rgb) << r.x << "," << r.y;
    EXPECT_EQ(ControlPixel(&panel, 30, 0), 0xFFFFFFFFu);
}

TEST(Painting, DrawingOutsidePaintChangesTheImageWithoutPaint)
{
    TProbePanel panel;
    panel.SetBounds(0, 0, 40, 40);
    FlushPaints(&panel);
    const int paints = panel.Paints;
    TCanvas* canvas = panel.Canvas();
    canvas->Pen()->SetColor(clBlack);
    canvas->Pen()->SetMode(pmNotXor);
    canvas->MoveTo(5, 10);
    canvas->LineTo(30, 10);
    const uint32_t face = ColorToRGB(clBtnFace);
    EXPECT_NE(ControlPixel(&panel, 5, 10), face);
    EXPECT_FALSE(panel.NeedsPaint());
    canvas->MoveTo(5, 10);
    canvas->LineTo(30, 10);
    EXPECT_EQ(ControlPixel(&panel, 5, 10), face) << "not-xor twice restores";
    FlushPaints(&panel);
    EXPECT_EQ(panel.Paints, paints);
}

TEST(Painting, EraseAnsweredDoneKeepsTheOldImage)
{
    struct TNoPaint : TProbePanel
    {
        using TProbePanel::TProbePanel;
        void Paint() override { ++Paints; }
    } panel;
    panel.SetBounds(0, 0, 20, 20);
    panel.SkipErase = true;
    FlushPaints(&panel);
    panel.Canvas()->SetPixel(3, 3, clRed);
    panel.Invalidate();
    FlushPaints(&panel);
    EXPECT_EQ(ControlPixel(&panel, 3, 3), clRed);
    panel.SkipErase = false;
    panel.Invalidate();
    FlushPaints(&panel);
    EXPECT_EQ(ControlPixel(&panel, 3, 3), ColorToRGB(clBtnFace));
}

TEST(Painting, FullRepaintOffLetsAMoveGoUnpainted)
{
    TProbePanel panel;
    panel.SetBounds(0, 0, 20, 20);
    FlushPaints(&panel);
    panel.SetFullRepaint(false);
    panel.SetLeft(5);
    EXPECT_FALSE(panel.NeedsPaint());
    panel.SetWidth(25);
    EXPECT_TRUE(panel.NeedsPaint()) << "a new size always needs drawing";
}

TEST(Mouse, EventsArriveWithButtonShiftAndClientCoordinates)
{
    TProbePanel panel;
    panel.SetBounds(0, 0, 100, 100);
    SimMouseDown(&panel, mbLeft, ssShift, 10, 20);
    SimMouseMove(&panel, ssShift, 15, 25);
    SimMouseUp(&panel, mbLeft, 0, 30, 40);
    SimMouseDown(&panel, mbRight, ssCtrl, 1, 2);
    SimMouseUp(&panel, mbRight, ssCtrl, 3, 4);
    SimMouseWheel(&panel, -2, 0, 5, 5);
    SimMouseWheel(&panel, 1, ssAlt, 5, 5);
    SimMouseLeave(&panel);
    const std::vector<std::string> expected = {
        Format("down %d %d 10 20", mbLeft, ssShift | ssLeft),
        Format("move %d 15 25", ssShift | ssLeft),
        Format("up %d 0 30 40", mbLeft),
        Format("down %d %d 1 2", mbRight, ssCtrl | ssRight),
        Format("up %d %d 3 4", mbRight, ssCtrl),
        Format("wheel down 0"),
        Format("wheel down 0"),
        Format("wheel up %d", ssAlt),
        "leave",
    };
    EXPECT_EQ(panel.Log, expected);
    EXPECT_EQ(SimHeldButtons(), 0);
}

TEST(Mouse, ExceptionInAHandlerGoesToTheErrorBoxAndInputGoesOn)
{
    TRecordingDialogProvider dialogs;
    TDialogProviderScope scope(&dialogs);
    TProbePanel panel;
    panel.SetBounds(0, 0, 50, 50);
    panel.ThrowOnMouseDown = true;
    SimMouseDown(&panel, mbLeft, 0, 1, 1);
    SimMouseUp(&panel, mbLeft, 0, 1, 1);
    ASSERT_EQ(dialogs.Count(TRecordingDialogProvider::TShown::Error), 1);
    EXPECT_EQ(dialogs.LastMessage(TRecordingDialogProvider::TShown::Error), "Mouse went wrong.");
    EXPECT_EQ(panel.Log.back(), Format("up %d 0 1 1", mbLeft));
}

TEST(Controls, CursorReachesTheWidget)
{
    TProbePanel panel;
    panel.SetCursor(crCross);
    EXPECT_EQ(ControlWidget(&panel)->cursor().shape(), Qt::CrossCursor);
    panel.SetCursor(crDefault);
    EXPECT_EQ(ControlWidget(&panel)->cursor().shape(), Qt::ArrowCursor);
}

TEST(Controls, ParentDestroysItsChildrenAndOwnerForgetsThem)
{
    TForm form;
    auto* panel = new TPanel(&form);
    panel->SetParent(&form);
    auto* label = new TLabel(&form);
    label->SetParent(panel);
    ASSERT_EQ(form.ComponentCount(), 2);
    delete panel;
    EXPECT_EQ(form.ComponentCount(), 0);
    EXPECT_EQ(form.ControlCount(), 0);
}

TEST(Button, ClickFromCodeRunsOnClickAlsoWhenHidden)
{
    TForm form;
    auto* button = new TButton(&form);
    button->SetParent(&form);
    button->SetCaption("Repaint");
    button->SetVisible(false);
    int clicks = 0;
    button->OnClick = [&](TObject* sender) {
        EXPECT_EQ(sender, button);
        ++clicks;
    };
    button->Click();
    EXPECT_EQ(clicks, 1);
    button->SetVisible(true);
    form.Show();
    static_cast<QAbstractButton*>(ControlWidget(button))->click();
    EXPECT_EQ(clicks, 2);
}

TEST(Edit, OnChangeForTypingAndRunTimeTextButNotForTheLayoutsText)
{
    TEdit edit;
    std::vector<std::string> seen;
    edit.OnChange = [&](TObject*) { seen.push_back(edit.Text()); };
    edit.SetInitialText("0");
    edit.BeginLoading();
    edit.SetText("1");
    edit.EndLoading();
    EXPECT_TRUE(seen.empty());
    EXPECT_EQ(edit.Text(), "1");
    edit.SetText("1");
    EXPECT_TRUE(seen.empty()) << "the same text is no change";
    SimKeyPress(&edit, vkEnd);
    SimTypeText(&edit, "2");
    SimKeyPress(&edit, vkBack);
    SimKeyPress(&edit, vkBack);
    edit.SetText("7");
    EXPECT_EQ(seen, (std::vector<std::string>{"12", "1", "", "7"}));
}

TEST(Edit, TypedCharactersWithoutACp1251ByteBecomeQuestionMarks)
{
    TEdit edit;
    edit.SetInitialText("");
    for (const QString& typed : {QStringLiteral("5"), QStringLiteral("\u00E9"),
                                 QString::fromUtf8("\xF0\x9F\x98\x80"), QStringLiteral("\u2116")}) {
        QKeyEvent press(QEvent::KeyPress, Qt::Key_unknown, Qt::NoModifier, typed);
        QApplication::sendEvent(ControlWidget(&edit), &press);
    }
    EXPECT_EQ(edit.Text(), "5??\xB9");
    EXPECT_EQ(static_cast<QLineEdit*>(ControlWidget(&edit))->text(), QString::fromUtf8("5??№"));
}

TEST(Label, SizesItselfToItsCaption)
{
    TLabel label;
    label.SetCaption("\xB9 \xE1\xE8\xF2\xE0");
    const int w = label.Width();
    EXPECT_GT(w, 0);
    EXPECT_GT(label.Height(), 0);
    label.SetCaption("\xB9 \xE1\xE8\xF2\xE0\xB9 \xE1\xE8\xF2\xE0");
    EXPECT_GT(label.Width(), w);
}

// A panel under an opaque painted child is drawn only where it shows; whatever the child then
// does, the window shows what a panel without the child shows there.
TEST(Painting, CoveredParentDrawsOnlyWhereItShowsAndCatchesUpWhenUncovered)
{
    auto picture = [](bool withChild, const std::function<void(TControl*)>& change) {
        TForm form;
        form.SetBounds(0, 0, 120, 90);
        auto* parent = new TProbePanel(&form);
        parent->SetParent(&form);
        parent->SetAlign(alClient);
        parent->SetCaption("Parent");
        TProbePanel* child = nullptr;
        if (withChild) {
            child = new TProbePanel(&form);
            child->SetParent(parent);
            child->SetColor(clRed);
            child->SetBounds(4, 4, parent->Width() - 8, parent->Height() - 8);
        }
        form.Show();
        ProcessEvents();
        if (child != nullptr) {
            const QRegion frame = QRegion(0, 0, parent->Width(), parent->Height()) -
                                  QRegion(4, 4, parent->Width() - 8, parent->Height() - 8);
            EXPECT_EQ(ControlPrivate(parent)->paintedRegion, frame)
                << "the pixels under the child are left unwritten";
            change(child);
            ProcessEvents();
        }
        TBitmap bitmap;
        form.GrabImage(bitmap);
        std::vector<TColor> pixels;
        for (int y = 0; y < bitmap.Height(); ++y)
            for (int x = 0; x < bitmap.Width(); ++x)
                pixels.push_back(bitmap.Canvas()->Pixels(x, y));
        return pixels;
    };
    const std::vector<TColor> alone = picture(false, nullptr);
    const struct
    {
        const char* name;
        std::function<void(TControl*)> change;
    } rows[] = {
        {"hidden", [](TControl* c) { c->SetVisible(false); }},
        {"destroyed", [](TControl* c) { delete c; }},
        {"moved away", [](TControl* c) { c->SetBounds(200, 200, 10, 10); }},
        {"shrunk", [](TControl* c) { c->SetBounds(4, 4, 0, 0); }},
    };
    for (const auto& row : rows)
        EXPECT_EQ(picture(true, row.change), alone) << row.name;
}
