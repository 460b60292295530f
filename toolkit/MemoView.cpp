#include "toolkit/MemoView_p.h"

#include <QApplication>
#include <QClipboard>
#include <QContextMenuEvent>
#include <QFocusEvent>
#include <QFontMetricsF>
#include <QInputMethod>
#include <QInputMethodEvent>
#include <QKeyEvent>
#include <QMenu>
#include <QMimeData>
#include <QPaintEvent>
#include <QPainter>
#include <QScrollBar>
#include <QTextLine>
#include <algorithm>
#include <array>
#include <climits>

#include "toolkit/CodePage_p.h"
#include "toolkit/FindBar_p.h"

namespace {

// More cached layouts than this are dropped at the next paint.
constexpr size_t kMaxCachedLayouts = 1024;
} // namespace

TMemoView::TMemoView(TControlPrivate* priv, TTextBuffer* buffer, TTextHistory* history)
    : TInputForwarder<QAbstractScrollArea>(priv), FBuffer(buffer), FHistory(history)
{
    setFocusPolicy(Qt::StrongFocus);
    setAttribute(Qt::WA_InputMethodEnabled);
    setFrameStyle(QFrame::StyledPanel | QFrame::Sunken);
    viewport()->setCursor(Qt::IBeamCursor);
    viewport()->setBackgroundRole(QPalette::Base);
    viewport()->setAutoFillBackground(true);
    viewport()->setMouseTracking(true);
    viewport()->setAcceptDrops(true);
    connect(verticalScrollBar(), &QAbstractSlider::actionTriggered, this,
            [this](int action) { BarAction(action); });
    UpdateMetrics();
    UpdateScrollRange();
}

TMemoView::~TMemoView() = default;

void TMemoView::Detach()
{
    if (FBuffer != nullptr) KeepPrimary();
    FBuffer = nullptr;
    FHistory = nullptr;
    FLayouts.clear();
    FSliceX.clear();
    FBlink.stop();
    FScrollTimer.stop();
    if (FFindBar != nullptr) FFindBar->Detach();
}

TFindBar* TMemoView::FindBar()
{
    if (FFindBar == nullptr && FBuffer != nullptr) FFindBar = new TFindBar(this, FBuffer);
    return FFindBar;
}

void TMemoView::SetHighlight(const std::string& text)
{
    if (text.empty() && !FHighlight) return;
    FHighlight = text.empty() ? nullptr : std::make_unique<TTextFinder>(text);
    viewport()->update();
}

void TMemoView::UpdateMetrics()
{
    const QFontMetrics metrics(font(), viewport());
    FRowHeight = std::max(1, metrics.height());
    FAscent = metrics.ascent();
}

void TMemoView::SetWordWrap(bool value)
{
    FWrap = value;
    FTop = TRow{FTop.Line, 0, 0};
    FWidestSeen = 0;
    DropAllLayouts();
    horizontalScrollBar()->setValue(0);
    UpdateScrollRange();
    viewport()->update();
}

void TMemoView::SetReadOnly(bool value)
{
    FReadOnly = value;
    setAttribute(Qt::WA_InputMethodEnabled, !value);
}

void TMemoView::TextReplaced()
{
    FCaret = FAnchor = FReportedCaret = TTextPos{};
    FUnit = suChar;
    FGoalX = -1;
    FWidestSeen = 0;
    FPreedit.clear();
    DropAllLayouts();
    UpdateScrollRange();
    SetTop(TRow{});
    horizontalScrollBar()->setValue(0);
    viewport()->update();
    if (FFindBar != nullptr) FFindBar->Recount();
}

// ---- rows

size_t TMemoView::SliceCount(size_t line) const
{
    const size_t n = FBuffer->Line(line).size();
    return n == 0 ? 1 : (n + kSlice - 1) / kSlice;
}

QTextLayout& TMemoView::LayoutOf(size_t line, size_t slice)
{
    const auto key = std::make_pair(line, slice);
    auto it = FLayouts.find(key);
    if (it != FLayouts.end()) return *it->second;
    const std::string_view text = FBuffer->Line(line);
    const size_t start = SliceStart(slice);
    const std::string_view part = start < text.size() ? text.substr(start, kSlice) : "";
    auto layout = std::make_unique<QTextLayout>(Cp1251ToQString(part), font(), viewport());
    QTextOption option;
    option.setWrapMode(FWrap ? QTextOption::WrapAtWordBoundaryOrAnywhere : QTextOption::NoWrap);
    layout->setTextOption(option);
    layout->setCacheEnabled(true);
    layout->beginLayout();
    for (int i = 0;; ++i) {
        QTextLine row = layout->createLine();
        if (!row.isValid()) break;
        row.setLineWidth(FWrap ? TextWidth() : 1e7);
        row.setPosition(QPointF(0, i * FRowHeight));
    }
    layout->endLayout();
    return *FLayouts.emplace(key, std::move(layout)).first->second;
}

int TMemoView::SubRows(size_t line, size_t slice)
{
    return FWrap ? std::max(1, LayoutOf(line, slice).lineCount()) : 1;
}

bool TMemoView::NextRow(TRow& row)
{
    if (FWrap) {
        if (row.Sub + 1 < SubRows(row.Line, row.Slice)) {
            ++row.Sub;
            return true;
        }
        if (row.Slice + 1 < SliceCount(row.Line)) {
            ++row.Slice;
            row.Sub = 0;
            return true;
        }
    }
    if (row.Line + 1 >= FBuffer->LineCount()) return false;
    row = TRow{row.Line + 1, 0, 0};
    return true;
}

bool TMemoView::PrevRow(TRow& row)
{
    if (FWrap) {
        if (row.Sub > 0) {
            --row.Sub;
            return true;
        }
        if (row.Slice > 0) {
            --row.Slice;
            row.Sub = SubRows(row.Line, row.Slice) - 1;
            return true;
        }
    }
    if (row.Line == 0) return false;
    --row.Line;
    row.Slice = FWrap ? SliceCount(row.Line) - 1 : 0;
    row.Sub = FWrap ? SubRows(row.Line, row.Slice) - 1 : 0;
    return true;
}

TMemoView::TRow TMemoView::Clamped(TRow row)
{
    row.Line = std::min(row.Line, FBuffer->LineCount() - 1);
    if (!FWrap) return TRow{row.Line, 0, 0};
    row.Slice = std::min(row.Slice, SliceCount(row.Line) - 1);
    row.Sub = std::min(row.Sub, SubRows(row.Line, row.Slice) - 1);
    return row;
}

TMemoView::TRow TMemoView::RowOf(TTextPos pos)
{
    pos = FBuffer->Clamp(pos);
    if (!FWrap) return TRow{pos.Line, 0, 0};
    const size_t slice = std::min(pos.Column / kSlice, SliceCount(pos.Line) - 1);
    const QTextLayout& layout = LayoutOf(pos.Line, slice);
    const QTextLine row =
        layout.lineForTextPosition(static_cast<int>(pos.Column - SliceStart(slice)));
    return TRow{pos.Line, slice, row.isValid() ? row.lineNumber() : layout.lineCount() - 1};
}

bool TMemoView::LastRowOfLine(const TRow& row)
{
    return !FWrap ||
           (row.Slice + 1 == SliceCount(row.Line) && row.Sub + 1 == SubRows(row.Line, row.Slice));
}

int TMemoView::RowsFrom(TRow row, int limit)
{
    int count = 1;
    while (count < limit && NextRow(row))
        ++count;
    return count;
}

bool TMemoView::RowAt(int index, TRow& row)
{
    if (index < 0) return false;
    row = Clamped(FTop);
    for (int i = 0; i < index; ++i)
        if (!NextRow(row)) return false;
    return true;
}

int TMemoView::RowIndex(TRow target, int limit)
{
    TRow row = Clamped(FTop);
    if (target < row) return -1;
    for (int i = 0; i < limit; ++i) {
        if (row == target) return i;
        if (!NextRow(row)) return -1;
    }
    return -1;
}

int TMemoView::VisibleRows() const
{
    return std::max(1, (viewport()->height() - kTopMargin) / FRowHeight);
}

int TMemoView::TextWidth() const
{
    return std::max(8, viewport()->width() - 2 * kMargin);
}

qreal TMemoView::SliceX(size_t line, size_t slice)
{
    if (slice == 0) return 0;
    std::vector<qreal>& xs = FSliceX[line];
    if (xs.empty()) xs.push_back(0);
    const QFontMetricsF metrics(font(), viewport());
    const std::string_view text = FBuffer->Line(line);
    while (xs.size() <= slice) {
        const size_t start = SliceStart(xs.size() - 1);
        xs.push_back(xs.back() +
                     metrics.horizontalAdvance(Cp1251ToQString(text.substr(start, kSlice))));
    }
    return xs[slice];
}

qreal TMemoView::XOf(TTextPos pos)
{
    pos = FBuffer->Clamp(pos);
    const TRow row = RowOf(pos);
    if (!FWrap) {
        const size_t slice = std::min(pos.Column / kSlice, SliceCount(pos.Line) - 1);
        const QTextLine line = LayoutOf(pos.Line, slice).lineAt(0);
        return SliceX(pos.Line, slice) +
               line.cursorToX(static_cast<int>(pos.Column - SliceStart(slice)));
    }
    const QTextLine line = LayoutOf(row.Line, row.Slice).lineAt(row.Sub);
    return line.cursorToX(static_cast<int>(pos.Column - SliceStart(row.Slice)));
}

TTextPos TMemoView::PosInRow(const TRow& row, qreal x)
{
    size_t slice = row.Slice;
    int sub = row.Sub;
    if (!FWrap) {
        const size_t slices = SliceCount(row.Line);
        slice = 0;
        while (slice + 1 < slices && SliceX(row.Line, slice + 1) <= x)
            ++slice;
        x -= SliceX(row.Line, slice);
        sub = 0;
    }
    const QTextLine line = LayoutOf(row.Line, slice).lineAt(sub);
    // Past the text the place is the row's end: asking Qt would overflow its fixed
    // point arithmetic for a large x.
    int column = x >= line.naturalTextWidth() ? line.textStart() + line.textLength()
                                              : line.xToCursor(std::max<qreal>(0, x));
    // A wrapped row's end is the next row's start: stay on this row, before its last
    // character (the space the wrap broke at).
    if (FWrap && column == line.textStart() + line.textLength() && column > line.textStart() &&
        !LastRowOfLine(TRow{row.Line, slice, sub}))
        --column;
    return TTextPos{row.Line, SliceStart(slice) + static_cast<size_t>(column)};
}

TTextPos TMemoView::RowEnd(const TRow& row)
{
    if (!FWrap) return TTextPos{row.Line, FBuffer->Line(row.Line).size()};
    const QTextLine line = LayoutOf(row.Line, row.Slice).lineAt(row.Sub);
    int column = line.textStart() + line.textLength();
    if (column > line.textStart() && !LastRowOfLine(row)) --column;
    return TTextPos{row.Line, SliceStart(row.Slice) + static_cast<size_t>(column)};
}

TTextPos TMemoView::TopPos()
{
    if (FBuffer == nullptr) return TTextPos{};
    const TRow top = Clamped(FTop);
    if (!FWrap) return TTextPos{top.Line, 0};
    const QTextLine line = LayoutOf(top.Line, top.Slice).lineAt(top.Sub);
    return TTextPos{top.Line, SliceStart(top.Slice) + static_cast<size_t>(line.textStart())};
}

int TMemoView::RowsFromTop(int limit)
{
    return FBuffer == nullptr ? 0 : RowsFrom(Clamped(FTop), limit);
}

TTextPos TMemoView::PosAt(QPoint p)
{
    const int index = std::max(0, (p.y() - kTopMargin) / FRowHeight);
    TRow row = Clamped(FTop);
    for (int i = 0; i < index && NextRow(row); ++i) {
    }
    const qreal hs = FWrap ? 0 : horizontalScrollBar()->value();
    return PosInRow(row, p.x() - kMargin + hs);
}

QRect TMemoView::CaretRectAt(TTextPos pos)
{
    if (FBuffer == nullptr) return QRect();
    const int index = RowIndex(RowOf(pos), VisibleRows() + 1);
    if (index < 0) return QRect();
    const qreal hs = FWrap ? 0 : horizontalScrollBar()->value();
    const int x = static_cast<int>(kMargin + XOf(pos) - hs);
    return QRect(x, kTopMargin + index * FRowHeight, 1, FRowHeight);
}

QString TMemoView::RowText(int index)
{
    TRow row;
    if (FBuffer == nullptr || !RowAt(index, row)) return QString();
    if (!FWrap) {
        QString text;
        for (size_t s = 0; s < SliceCount(row.Line); ++s)
            text += LayoutOf(row.Line, s).text();
        return text;
    }
    const QTextLayout& layout = LayoutOf(row.Line, row.Slice);
    const QTextLine line = layout.lineAt(row.Sub);
    return layout.text().mid(line.textStart(), line.textLength());
}

// ---- scrolling

void TMemoView::DropLayouts(size_t fromLine, size_t toLine)
{
    FLayouts.erase(FLayouts.lower_bound({fromLine, 0}),
                   toLine == SIZE_MAX ? FLayouts.end() : FLayouts.lower_bound({toLine, 0}));
    FSliceX.erase(FSliceX.lower_bound(fromLine),
                  toLine == SIZE_MAX ? FSliceX.end() : FSliceX.lower_bound(toLine));
}

void TMemoView::DropAllLayouts()
{
    FLayouts.clear();
    FSliceX.clear();
}

void TMemoView::UpdateScrollRange()
{
    const int rows = VisibleRows();
    if (FBuffer != nullptr) {
        // The top row from which the last row is at the bottom of the view; found from
        // the end, so only the last screenful is laid out.
        const size_t last = FBuffer->LineCount() - 1;
        TRow top{last, 0, 0};
        if (FWrap) {
            top.Slice = SliceCount(last) - 1;
            top.Sub = SubRows(last, top.Slice) - 1;
        }
        for (int i = 1; i < rows && PrevRow(top); ++i) {
        }
        FMaxTop = top;
        // A view that grew shows no room below the text while text is above it.
        FTop = std::min(Clamped(FTop), FMaxTop);
    }
    SyncBar();
    QScrollBar* hbar = horizontalScrollBar();
    const int width = viewport()->width();
    FSyncingBar = true;
    hbar->setRange(0, FWrap ? 0
                            : std::max(0, static_cast<int>(FWidestSeen) + 2 * kMargin + 1 - width));
    hbar->setPageStep(std::max(1, width));
    hbar->setSingleStep(std::max(1, FRowHeight));
    FSyncingBar = false;
}

int TMemoView::LineUnits(size_t line)
{
    if (!FWrap) return 1;
    const size_t slices = SliceCount(line);
    if (slices == 1) return SubRows(line, 0);
    return static_cast<int>(std::min<size_t>(slices * kSliceUnits, INT_MAX / 4));
}

int TMemoView::UnitOf(const TRow& row)
{
    if (!FWrap) return 0;
    if (SliceCount(row.Line) == 1) return row.Sub;
    const int n = SubRows(row.Line, row.Slice);
    const size_t unit = row.Slice * kSliceUnits + (row.Sub * kSliceUnits + n - 1) / n;
    return static_cast<int>(std::min<size_t>(unit, INT_MAX / 4));
}

TMemoView::TRow TMemoView::RowOfUnit(size_t line, int unit)
{
    if (!FWrap || unit <= 0) return TRow{line, 0, 0};
    const size_t slices = SliceCount(line);
    if (slices == 1) return TRow{line, 0, std::min(unit, SubRows(line, 0) - 1)};
    const size_t slice = std::min(static_cast<size_t>(unit / kSliceUnits), slices - 1);
    const int n = SubRows(line, slice);
    return TRow{line, slice, std::min(n - 1, unit % kSliceUnits * n / kSliceUnits)};
}

int TMemoView::ValueOf(const TRow& row)
{
    const size_t expanded[2] = {std::min(FTop.Line, FMaxTop.Line),
                                std::max(FTop.Line, FMaxTop.Line)};
    const size_t count = expanded[0] == expanded[1] ? 1 : 2;
    size_t value = row.Line;
    for (size_t i = 0; i < count; ++i) {
        if (expanded[i] < row.Line) value += static_cast<size_t>(LineUnits(expanded[i]) - 1);
        if (expanded[i] == row.Line) value += static_cast<size_t>(UnitOf(row));
    }
    return static_cast<int>(std::min<size_t>(value, INT_MAX));
}

TMemoView::TRow TMemoView::RowOfValue(int value)
{
    const size_t expanded[2] = {std::min(FTop.Line, FMaxTop.Line),
                                std::max(FTop.Line, FMaxTop.Line)};
    const size_t count = expanded[0] == expanded[1] ? 1 : 2;
    size_t v = static_cast<size_t>(std::max(0, value));
    for (size_t i = 0; i < count; ++i) {
        if (v < expanded[i]) break;
        const size_t units = static_cast<size_t>(LineUnits(expanded[i]));
        if (v < expanded[i] + units)
            return RowOfUnit(expanded[i], static_cast<int>(v - expanded[i]));
        v -= units - 1;
    }
    return TRow{v, 0, 0};
}

void TMemoView::SyncBar()
{
    FSyncingBar = true;
    QScrollBar* bar = verticalScrollBar();
    if (FBuffer != nullptr) {
        bar->setRange(0, ValueOf(FMaxTop));
        bar->setValue(ValueOf(FTop));
    } else {
        bar->setRange(0, 0);
    }
    bar->setPageStep(VisibleRows());
    bar->setSingleStep(1);
    FSyncingBar = false;
}

void TMemoView::BarAction(int action)
{
    // The bar's arrows and page clicks step by rows, as the keys do, whatever a value
    // of the bar stands for.
    int rows = 0;
    const int page = std::max(1, VisibleRows() - 1);
    switch (action) {
    case QAbstractSlider::SliderSingleStepAdd:
        rows = 1;
        break;
    case QAbstractSlider::SliderSingleStepSub:
        rows = -1;
        break;
    case QAbstractSlider::SliderPageStepAdd:
        rows = page;
        break;
    case QAbstractSlider::SliderPageStepSub:
        rows = -page;
        break;
    default:
        return;
    }
    if (FBuffer != nullptr) ScrollRows(rows);
    // The bar applies its own step after this: let it apply where the rows led.
    verticalScrollBar()->setSliderPosition(verticalScrollBar()->value());
}

void TMemoView::SetTop(TRow row)
{
    FTop = std::min(Clamped(row), Clamped(FMaxTop));
    SyncBar();
    viewport()->update();
}

void TMemoView::scrollContentsBy(int, int dy)
{
    if (FBuffer == nullptr) return;
    if (!FSyncingBar && dy != 0) SetTop(RowOfValue(verticalScrollBar()->value()));
    viewport()->update();
}
void TMemoView::ScrollRows(int rows)
{
    TRow top = Clamped(FTop);
    if (rows > 0) {
        const int visible = VisibleRows();
        int steps = std::min(rows, RowsFrom(top, rows + visible) - visible);
        while (steps-- > 0 && NextRow(top)) {
        }
    } else {
        while (rows++ < 0 && PrevRow(top)) {
        }
    }
    if (top != FTop) SetTop(top);
}

void TMemoView::EnsureCaretVisible()
{
    if (FBuffer == nullptr) return;
    const TRow target = RowOf(FCaret);
    const int rows = VisibleRows();
    if (target < Clamped(FTop)) {
        SetTop(target);
    } else if (RowIndex(target, rows) < 0) {
        TRow top = target;
        for (int i = 1; i < rows && PrevRow(top); ++i) {
        }
        SetTop(top);
    }
    if (!FWrap) {
        QScrollBar* hbar = horizontalScrollBar();
        const qreal x = XOf(FCaret);
        const int width = std::max(1, viewport()->width() - 2 * kMargin);
        if (x + 2 * kMargin > FWidestSeen) {
            FWidestSeen = x + 2 * kMargin;
            UpdateScrollRange();
        }
        if (x < hbar->value())
            hbar->setValue(static_cast<int>(x) - width / 4);
        else if (x > hbar->value() + width)
            hbar->setValue(static_cast<int>(x) - width * 3 / 4);
    }
}

// ---- painting

void TMemoView::DrawRow(QPainter& painter, const TRow& row, int y, qreal& widest)
{
    const TTextPos from = std::min(FCaret, FAnchor);
    const TTextPos to = std::max(FCaret, FAnchor);
    const QPalette::ColorGroup group = hasFocus() ? QPalette::Active : QPalette::Inactive;
    const qreal hs = FWrap ? 0 : horizontalScrollBar()->value();
    const size_t length = FBuffer->Line(row.Line).size();
    const bool selected = from != to && from.Line <= row.Line && row.Line <= to.Line;
    const size_t selBegin = selected && row.Line == from.Line ? from.Column : 0;
    const size_t selEnd = selected && row.Line == to.Line ? to.Column : length;
    // Inset, so the rows above and below (drawn by their own calls) are not drawn again.
    const QRectF clip(0, y + 0.5, viewport()->width(), FRowHeight - 1.0);
    QTextCharFormat format;
    format.setBackground(palette().brush(group, QPalette::Highlight));
    format.setForeground(palette().brush(group, QPalette::HighlightedText));

    const size_t firstSlice = FWrap ? row.Slice : 0;
    const size_t lastSlice = FWrap ? row.Slice + 1 : SliceCount(row.Line);
    qreal rowEnd = 0;
    for (size_t s = firstSlice; s < lastSlice; ++s) {
        const qreal x0 = kMargin + (FWrap ? 0 : SliceX(row.Line, s)) - hs;
        if (x0 > viewport()->width()) break;
        if (!FWrap && s + 1 < lastSlice && kMargin + SliceX(row.Line, s + 1) - hs < 0) continue;
        QTextLayout& layout = LayoutOf(row.Line, s);
        const size_t start = SliceStart(s);
        QList<QTextLayout::FormatRange> selections;
        if (FHighlight && FHighlight->Searchable()) {
            QTextCharFormat found;
            found.setBackground(QColor(255, 230, 120));
            const std::string_view text = FBuffer->Line(row.Line);
            const size_t end =
                std::min(text.size(), start + static_cast<size_t>(layout.text().size()));
            const std::string_view piece = text.substr(start, end - start);
            const size_t n = FHighlight->Length();
            for (size_t at = FHighlight->FindIn(piece, 0); at != TTextFinder::npos;
                 at = FHighlight->FindIn(piece, at + n))
                selections.push_back(
                    QTextLayout::FormatRange{static_cast<int>(at), static_cast<int>(n), found});
        }
        if (selected) {
            const size_t end = start + static_cast<size_t>(layout.text().size());
            const size_t a = std::clamp(selBegin, start, end);
            const size_t b = std::clamp(selEnd, start, end);
            if (b > a)
                selections.push_back(QTextLayout::FormatRange{static_cast<int>(a - start),
                                                              static_cast<int>(b - a), format});
        }
        const int sub = FWrap ? row.Sub : 0;
        // The layout draws every row of its slice: only this one may show.
        painter.save();
        painter.setClipRect(QRect(0, y, viewport()->width(), FRowHeight));
        layout.draw(&painter, QPointF(x0, y - sub * FRowHeight), selections, clip);
        painter.restore();
        const QTextLine line = layout.lineAt(sub);
        rowEnd = x0 + line.naturalTextWidth();
        widest = std::max(widest, rowEnd + hs);
    }
    // A selected line break shows as a little room after the line's end.
    if (selected && row.Line < to.Line && LastRowOfLine(row))
        painter.fillRect(QRectF(rowEnd, y,
                                QFontMetricsF(font()).horizontalAdvance(QLatin1Char(' ')),
                                FRowHeight),
                         palette().brush(group, QPalette::Highlight));
}

void TMemoView::paintEvent(QPaintEvent* e)
{
    if (FBuffer == nullptr) return;
    if (FLayouts.size() > kMaxCachedLayouts) DropAllLayouts();
    QPainter painter(viewport());
    painter.setPen(palette().color(QPalette::Text));
    const QRect area = e->rect();
    TRow row = Clamped(FTop);
    FTop = row;
    qreal widest = 0;
    const int rows = VisibleRows() + 1;
    for (int i = 0; i < rows; ++i) {
        const int y = kTopMargin + i * FRowHeight;
        if (y > area.bottom()) break;
        if (y + FRowHeight > area.top()) DrawRow(painter, row, y, widest);
        if (!NextRow(row)) break;
    }
    FLastCaretRect = QRect();
    if (hasFocus() && FCaretOn) {
        const QRect caret = CaretRect();
        if (caret.isValid()) {
            painter.fillRect(caret, palette().color(QPalette::Text));
            FLastCaretRect = caret;
        }
    }
    FDropRect = QRect();
    if (FDropShown) {
        FDropRect = CaretRectAt(FDropPos);
        if (FDropRect.isValid()) painter.fillRect(FDropRect, palette().color(QPalette::Text));
    }
    if (!FPreedit.isEmpty()) {
        const QRect caret = CaretRect();
        if (caret.isValid()) {
            const QFontMetrics metrics(font());
            const QRect box(caret.left(), caret.top(), metrics.horizontalAdvance(FPreedit) + 2,
                            FRowHeight);
            painter.fillRect(box, palette().brush(QPalette::Base));
            QFont underlined = font();
            underlined.setUnderline(true);
            painter.setFont(underlined);
            painter.drawText(box.left(), box.top() + FAscent, FPreedit);
        }
    }
    if (!FWrap && widest > FWidestSeen) {
        FWidestSeen = widest;
        QMetaObject::invokeMethod(
            this, [this] { UpdateScrollRange(); }, Qt::QueuedConnection);
    }
}

void TMemoView::resizeEvent(QResizeEvent* e)
{
    QAbstractScrollArea::resizeEvent(e);
    if (FBuffer == nullptr) return;
    if (FWrap) DropAllLayouts();
    UpdateScrollRange();
    viewport()->update();
}

bool TMemoView::event(QEvent* e)
{
    switch (e->type()) {
    case QEvent::KeyPress: {
        auto* key = static_cast<QKeyEvent*>(e);
        // A tab is text here, not a step to the next control; Ctrl+Tab is the step.
        const bool tab = key->key() == Qt::Key_Tab || key->key() == Qt::Key_Backtab;
        if (tab && (key->modifiers() & Qt::ControlModifier) &&
            !(key->modifiers() & Qt::AltModifier)) {
            focusNextPrevChild(key->key() == Qt::Key_Tab &&
                               !(key->modifiers() & Qt::ShiftModifier));
            return true;
        }
        if (key->key() == Qt::Key_Tab &&
            !(key->modifiers() & (Qt::ControlModifier | Qt::AltModifier))) {
            keyPressEvent(key);
            return true;
        }
        break;
    }
    case QEvent::ShortcutOverride: {
        auto* key = static_cast<QKeyEvent*>(e);
        if (key->matches(QKeySequence::Undo) || key->matches(QKeySequence::Redo) ||
            ((key->modifiers() & Qt::ControlModifier) &&
             (key->key() == Qt::Key_Y || key->key() == Qt::Key_Z)) ||
            key->matches(QKeySequence::Cut) || key->matches(QKeySequence::Copy) ||
            key->matches(QKeySequence::Paste) || key->matches(QKeySequence::SelectAll) ||
            ((key->modifiers() & Qt::ControlModifier) == 0 && IsPrintableText(key->text()))) {
            e->accept();
            return true;
        }
        break;
    }
    case QEvent::FontChange: {
        const bool result = TInputForwarder<QAbstractScrollArea>::event(e);
        UpdateMetrics();
        if (FBuffer != nullptr) {
            DropAllLayouts();
            FWidestSeen = 0;
            UpdateScrollRange();
        }
        viewport()->update();
        return result;
    }
    case QEvent::Paint: {
        const bool result = TInputForwarder<QAbstractScrollArea>::event(e);
        // The focus shows as a frame in the highlight colour.
        if (hasFocus()) {
            QPainter painter(this);
            painter.setPen(palette().color(QPalette::Highlight));
            painter.drawRect(rect().adjusted(0, 0, -1, -1));
        }
        return result;
    }
    default:
        break;
    }
    return TInputForwarder<QAbstractScrollArea>::event(e);
}
