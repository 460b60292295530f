// The text view's widget (MemoView.cpp: rows, scrolling, painting; MemoEdit.cpp: caret,
// editing, keys and mouse): shows a TTextBuffer, laying out only the lines on screen, and
// edits it as a text field does (caret, selection, clipboard, undo, input methods).
#pragma once

#include <QAbstractScrollArea>
#include <QBasicTimer>
#include <QElapsedTimer>
#include <QPointer>
#include <QTextLayout>
#include <functional>
#include <map>
#include <memory>
#include <vector>

#include "toolkit/Controls_p.h"
#include "toolkit/TextBuffer.h"
#include "toolkit/TextFind.h"

class QMenu;
class QMimeData;
class QPainter;
class TSelectionData;
class TFindBar;

// Text that typing may put in: no control characters.
bool IsPrintableText(const QString& text);

class TMemoView : public TInputForwarder<QAbstractScrollArea>
{
public:
    // A line is laid out in slices of this many characters, each wrapping on its own,
    // so that a line of any length costs only the slices shown.
    static constexpr size_t kSlice = 8192;
    // Room between the frame and the text.
    static constexpr int kMargin = 4;
    static constexpr int kTopMargin = 2;

    TMemoView(TControlPrivate* priv, TTextBuffer* buffer, TTextHistory* history);
    ~TMemoView() override;

    // The buffer goes away before the widget: nothing may read it afterwards.
    void Detach();
    void SetWordWrap(bool value);
    void SetReadOnly(bool value);
    // The buffer was assigned a whole new text.
    void TextReplaced();

    TTextPos Caret() const { return FCaret; }
    TTextPos Anchor() const { return FAnchor; }
    void SetCaret(TTextPos pos, bool extend = false);
    bool HasSelection() const { return FCaret != FAnchor; }

    void Undo();
    void Redo();
    void Cut();
    void Copy() const;
    void Paste();
    void DeleteSelection();
    void SelectAll();
    // The menu a right click shows, with its actions enabled as they apply now.
    QMenu* CreateContextMenu(QWidget* parent);

    // The characters the view shows on its visual row Row (0 = top), as laid out; empty
    // past the text.
    QString RowText(int row);
    int RowHeight() const { return FRowHeight; }
    int FirstVisibleLine() const { return static_cast<int>(FTop.Line); }
    // Where the top row begins, and how many rows there are from it down (at most Limit).
    TTextPos TopPos();
    int RowsFromTop(int limit);

    // The X11 primary selection where the platform has one. With StandInPrimary set
    // (platforms without one, tests) the views share a selection of their own instead.
    static inline bool StandInPrimary = false;
    static const QMimeData* PrimarySelection();
    // Takes Data.
    static void SetPrimarySelection(QMimeData* data);

    // The find bar over the text area, made when first asked for.
    TFindBar* FindBar();
    bool HasFindBar() const { return FFindBar != nullptr; }
    // Every visible match of Text is marked; empty marks nothing.
    void SetHighlight(const std::string& text);

    // After every edit by the user, before the caret's report of the same edit.
    std::function<void()> OnEdited;
    // After the caret moved, by the user or by SetCaret, always about the current text;
    // not when the text is replaced.
    std::function<void()> OnCaretMoved;

protected:
    bool event(QEvent* e) override;
    void paintEvent(QPaintEvent* e) override;
    void resizeEvent(QResizeEvent* e) override;
    void keyPressEvent(QKeyEvent* e) override;
    void inputMethodEvent(QInputMethodEvent* e) override;
    QVariant inputMethodQuery(Qt::InputMethodQuery query) const override;
    void mousePressEvent(QMouseEvent* e) override;
    void mouseDoubleClickEvent(QMouseEvent* e) override;
    void mouseMoveEvent(QMouseEvent* e) override;
    void mouseReleaseEvent(QMouseEvent* e) override;
    void wheelEvent(QWheelEvent* e) override;
    void contextMenuEvent(QContextMenuEvent* e) override;
    void focusInEvent(QFocusEvent* e) override;
    void focusOutEvent(QFocusEvent* e) override;
    void timerEvent(QTimerEvent* e) override;
    void scrollContentsBy(int dx, int dy) override;
    void dragEnterEvent(QDragEnterEvent* e) override;
    void dragMoveEvent(QDragMoveEvent* e) override;
    void dragLeaveEvent(QDragLeaveEvent* e) override;
    void dropEvent(QDropEvent* e) override;

private:
    friend class TSelectionData;
    // What a drag with the mouse button held extends the selection by.
    enum TUnit : uint8_t { suChar, suWord, suLine };

    // Undo or redo one step of the history, the caret where the step leaves it.
    void StepHistory(bool (TTextHistory::*step)(TTextBuffer&, TTextPos&));
    // A visual row: a wrapped piece of slice Slice of line Line (always 0 without wrap,
    // where a row is the whole line).
    struct TRow
    {
        size_t Line = 0;
        size_t Slice = 0;
        int Sub = 0;
        friend bool operator==(const TRow&, const TRow&) = default;
        friend auto operator<=>(const TRow&, const TRow&) = default;
    };

    size_t SliceCount(size_t line) const;
    size_t SliceStart(size_t slice) const { return slice * kSlice; }
    QTextLayout& LayoutOf(size_t line, size_t slice);
    int SubRows(size_t line, size_t slice);
    bool NextRow(TRow& row);
    bool PrevRow(TRow& row);
    TRow Clamped(TRow row);
    TRow RowOf(TTextPos pos);
    // Rows from Row down, counting at most Limit.
    int RowsFrom(TRow row, int limit);
    // Where row Row of the viewport is, or false when it is past the text.
    bool RowAt(int index, TRow& row);
    // Rows from the top to Row, or -1 when Row is above the top or Limit rows below.
    int RowIndex(TRow row, int limit);
    TTextPos PosInRow(const TRow& row, qreal x);
    // Where End puts the caret on Row: after its last character, or before it when the
    // next row of the same line begins there (that place shows on the next row).
    TTextPos RowEnd(const TRow& row);
    qreal XOf(TTextPos pos);
    // X of a slice's left edge in its line when lines do not wrap.
    qreal SliceX(size_t line, size_t slice);
    TTextPos PosAt(QPoint p);
    int VisibleRows() const;
    int TextWidth() const;
    QRect CaretRect() { return CaretRectAt(FCaret); }
    QRect CaretRectAt(TTextPos pos);

    void Edited(const TTextChange& change, int rowsBefore);
    // After an edit: OnEdited, then the caret shown and reported.
    void ReportEdit();
    void InsertTyped(const QString& text, TTextHistory::TKind kind);
    void Replace(TTextPos from, TTextPos to, std::string_view bytes, TTextHistory::TKind kind);
    void DropLayouts(size_t fromLine, size_t toLine);
    void DropAllLayouts();
    void UpdateScrollRange();
    // The vertical bar counts text lines, except that the top line and the last
    // screenful's top line count their rows too, so that the bar moves through a line
    // taller than the view. Rows of a line of several slices count kSliceUnits a slice.
    static constexpr int kSliceUnits = 1024;
    int LineUnits(size_t line);
    int UnitOf(const TRow& row);
    TRow RowOfUnit(size_t line, int unit);
    int ValueOf(const TRow& row);
    TRow RowOfValue(int value);
    void SyncBar();
    void BarAction(int action);
    void SetTop(TRow row);
    void ScrollRows(int rows);
    void EnsureCaretVisible();
    void MoveCaret(QKeyEvent* e);
    void RestartBlink();
    void UpdateCaret();
    TTextPos WordLeft(TTextPos pos) const;
    TTextPos WordRight(TTextPos pos) const;
    // The word (or run of spaces or of other characters) at Pos.
    std::pair<TTextPos, TTextPos> WordAt(TTextPos pos) const;
    // Line Index with its break, when it has one.
    std::pair<TTextPos, TTextPos> LineAt(size_t index) const;
    void SelectUnit(TUnit unit, TTextPos pos);
    // The mouse is at Pos with the button held: the selection grows by FUnit.
    void ExtendTo(TTextPos pos);
    bool InSelection(TTextPos pos) const;
    void SchedulePrimary();
    void ClaimPrimary();
    // Before an edit: primary selection text that reads this buffer lazily is taken now.
    void KeepPrimary();
    void PastePrimary(TTextPos at);
    void StartDrag();
    bool AcceptsDrop(const QMimeData* data) const;
    void ShowDropCaret(bool shown, TTextPos pos = {});
    void Drop(TTextPos at, const QMimeData* data, bool copy);
    void AutoScroll();
    void UpdateMetrics();
    void DrawRow(QPainter& painter, const TRow& row, int y, qreal& widest);
    TTextPos PrevPos(TTextPos pos) const;
    TTextPos NextPos(TTextPos pos) const;
    TTextPos EndPos() const;
    bool LastRowOfLine(const TRow& row);

    TTextBuffer* FBuffer = nullptr;
    TTextHistory* FHistory = nullptr;
    bool FWrap = true;
    bool FReadOnly = false;
    TTextPos FCaret;
    TTextPos FAnchor;
    // Where the caret was when OnCaretMoved last ran.
    TTextPos FReportedCaret;
    // The x the caret keeps when it moves up and down, -1 when none.
    qreal FGoalX = -1;
    TRow FTop;
    bool FSyncingBar = false;
    int FRowHeight = 1;
    int FAscent = 0;
    std::map<std::pair<size_t, size_t>, std::unique_ptr<QTextLayout>> FLayouts;
    // Left edges of the slices of long lines without wrap.
    std::map<size_t, std::vector<qreal>> FSliceX;
    qreal FWidestSeen = 0;
    bool FCaretOn = true;
    QBasicTimer FBlink;
    QBasicTimer FScrollTimer;
    bool FDragging = false;
    QPoint FDragPos;
    TUnit FUnit = suChar;
    // The word or line a double or triple click selected: it stays selected while the
    // mouse extends.
    TTextPos FUnitFrom;
    TTextPos FUnitTo;
    // Since the last double click, and where it was: a press soon after near it is a
    // triple click.
    QElapsedTimer FSinceDoubleClick;
    QPoint FDoubleClickPos;
    // A press inside the selection: a drag of the text if the mouse moves far enough,
    // else a click.
    bool FPressInSelection = false;
    QPoint FPressPos;
    // A drag of our own text is running; whether it was dropped here.
    bool FOwnDrag = false;
    bool FDroppedHere = false;
    bool FDropShown = false;
    TTextPos FDropPos;
    QRect FDropRect;
    QBasicTimer FPrimaryTimer;
    QPointer<TSelectionData> FPrimary;
    TRow FMaxTop;
    int FWheelRest = 0;
    QString FPreedit;
    QRect FLastCaretRect;
    TFindBar* FFindBar = nullptr;
    std::unique_ptr<TTextFinder> FHighlight;
};
