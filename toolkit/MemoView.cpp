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

namespace {

constexpr int kMargin = 4;
constexpr int kTopMargin = 2;
// More cached layouts than this are dropped at the next paint.
constexpr size_t kMaxCachedLayouts = 1024;
// What the input method sees around the caret, in characters.
constexpr size_t kSurrounding = 4096;
constexpr size_t kMaxPrimarySelection = size_t{16} << 20;

enum TCharClass : uint8_t { ccSpace, ccWord, ccOther };

TCharClass ClassOf(char c)
{
    static const std::array<TCharClass, 256> table = [] {
        std::array<TCharClass, 256> t{};
        for (int b = 0; b < 256; ++b) {
            const char byte = static_cast<char>(b);
            const QChar ch = Cp1251ToQString(std::string_view(&byte, 1)).at(0);
            t[static_cast<size_t>(b)] = ch.isSpace() || b == 0              ? ccSpace
                                        : ch.isLetterOrNumber() || b == '_' ? ccWord
                                                                            : ccOther;
        }
        return t;
    }();
    return table[static_cast<uint8_t>(c)];
}

QString ClipboardText(const std::string& bytes)
{
    QString text = Cp1251ToQString(bytes);
    text.replace(QStringLiteral("\r\n"), QStringLiteral("\n"));
    return text;
}

bool Printable(const QString& text)
{
    if (text.isEmpty()) return false;
    for (const QChar ch : text)
        if (ch.unicode() < 0x20 || ch.unicode() == 0x7F) return false;
    return true;
}

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
    UpdateMetrics();
    UpdateScrollRange();
}

TMemoView::~TMemoView() = default;

void TMemoView::Detach()
{
    FBuffer = nullptr;
    FHistory = nullptr;
    FLayouts.clear();
    FSliceX.clear();
    FBlink.stop();
    FScrollTimer.stop();
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
    FGoalX = -1;
    FWidestSeen = 0;
    FPreedit.clear();
    DropAllLayouts();
    UpdateScrollRange();
    SetTop(TRow{});
    horizontalScrollBar()->setValue(0);
    viewport()->update();
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
    int column = line.xToCursor(std::max<qreal>(0, x));
    // A wrapped row's end is the next row's start: stay on this row, before its last
    // character (the space the wrap broke at).
    if (FWrap && column == line.textStart() + line.textLength() && column > line.textStart() &&
        !LastRowOfLine(TRow{row.Line, slice, sub}))
        --column;
    return TTextPos{row.Line, SliceStart(slice) + static_cast<size_t>(column)};
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

QRect TMemoView::CaretRect()
{
    if (FBuffer == nullptr) return QRect();
    const int index = RowIndex(RowOf(FCaret), VisibleRows() + 1);
    if (index < 0) return QRect();
    const qreal hs = FWrap ? 0 : horizontalScrollBar()->value();
    const int x = static_cast<int>(kMargin + XOf(FCaret) - hs);
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
    size_t maxTop = 0;
    if (FBuffer != nullptr) {
        const size_t lines = FBuffer->LineCount();
        // The highest top line from which the rest of the text fits in the view; found
        // from the end, so only the last screenful is laid out.
        size_t first = lines;
        int used = 0;
        while (first > 0) {
            const size_t line = first - 1;
            int need = 1;
            if (FWrap) {
                const size_t slices = SliceCount(line);
                // A line of several slices is taller than any view worth counting
                // for; the rows below it are reached by scrolling rows.
                if (slices > 1) break;
                need = 0;
                for (size_t s = 0; s < slices; ++s)
                    need += SubRows(line, s);
            }
            if (used + need > rows) break;
            used += need;
            first = line;
        }
        maxTop = first >= lines ? lines - 1 : first;
    }
    FSyncingBar = true;
    QScrollBar* bar = verticalScrollBar();
    bar->setRange(0, static_cast<int>(std::min<size_t>(maxTop, INT_MAX)));
    bar->setPageStep(rows);
    bar->setSingleStep(1);
    bar->setValue(static_cast<int>(std::min<size_t>(FTop.Line, INT_MAX)));
    QScrollBar* hbar = horizontalScrollBar();
    const int width = viewport()->width();
    hbar->setRange(0, FWrap ? 0
                            : std::max(0, static_cast<int>(FWidestSeen) + 2 * kMargin + 1 - width));
    hbar->setPageStep(std::max(1, width));
    hbar->setSingleStep(std::max(1, FRowHeight));
    FSyncingBar = false;
}

void TMemoView::SetTop(TRow row)
{
    FTop = Clamped(row);
    FSyncingBar = true;
    verticalScrollBar()->setValue(static_cast<int>(std::min<size_t>(FTop.Line, INT_MAX)));
    FSyncingBar = false;
    viewport()->update();
}

void TMemoView::scrollContentsBy(int, int dy)
{
    if (FBuffer == nullptr) return;
    if (!FSyncingBar && dy != 0)
        FTop = Clamped(TRow{static_cast<size_t>(verticalScrollBar()->value()), 0, 0});
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
        // A tab is text here, not a step to the next control.
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
            ((key->modifiers() & Qt::ControlModifier) == 0 && Printable(key->text()))) {
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

// ---- caret

void TMemoView::RestartBlink()
{
    FCaretOn = true;
    const int interval = QApplication::cursorFlashTime() / 2;
    if (hasFocus() && interval > 0)
        FBlink.start(interval, this);
    else
        FBlink.stop();
    UpdateCaret();
    // Every road that moves the caret restarts the blink, so this one place reports it.
    if (FCaret != FReportedCaret) {
        FReportedCaret = FCaret;
        if (OnCaretMoved) OnCaretMoved();
    }
}

void TMemoView::UpdateCaret()
{
    if (FLastCaretRect.isValid()) viewport()->update(FLastCaretRect.adjusted(-2, 0, 2, 0));
    const QRect caret = CaretRect();
    if (caret.isValid()) viewport()->update(caret.adjusted(-2, 0, 2, 0));
}

void TMemoView::timerEvent(QTimerEvent* e)
{
    if (e->timerId() == FBlink.timerId()) {
        FCaretOn = !FCaretOn;
        UpdateCaret();
    } else if (e->timerId() == FScrollTimer.timerId()) {
        AutoScroll();
    } else {
        TInputForwarder<QAbstractScrollArea>::timerEvent(e);
    }
}

void TMemoView::focusInEvent(QFocusEvent* e)
{
    TInputForwarder<QAbstractScrollArea>::focusInEvent(e);
    RestartBlink();
    update();
    viewport()->update();
}

void TMemoView::focusOutEvent(QFocusEvent* e)
{
    TInputForwarder<QAbstractScrollArea>::focusOutEvent(e);
    FBlink.stop();
    FCaretOn = false;
    update();
    viewport()->update();
}

void TMemoView::SetCaret(TTextPos pos, bool extend)
{
    if (FBuffer == nullptr) return;
    const bool hadSelection = HasSelection();
    FCaret = FBuffer->Clamp(pos);
    if (!extend) FAnchor = FCaret;
    if (hadSelection || HasSelection()) viewport()->update();
    EnsureCaretVisible();
    RestartBlink();
    if (hasFocus()) QGuiApplication::inputMethod()->update(Qt::ImQueryInput);
}

TTextPos TMemoView::PrevPos(TTextPos pos) const
{
    if (pos.Column > 0) return TTextPos{pos.Line, pos.Column - 1};
    if (pos.Line == 0) return pos;
    return TTextPos{pos.Line - 1, FBuffer->Line(pos.Line - 1).size()};
}

TTextPos TMemoView::NextPos(TTextPos pos) const
{
    if (pos.Column < FBuffer->Line(pos.Line).size()) return TTextPos{pos.Line, pos.Column + 1};
    if (pos.Line + 1 >= FBuffer->LineCount()) return pos;
    return TTextPos{pos.Line + 1, 0};
}

TTextPos TMemoView::EndPos() const
{
    const size_t last = FBuffer->LineCount() - 1;
    return TTextPos{last, FBuffer->Line(last).size()};
}

TTextPos TMemoView::WordLeft(TTextPos pos) const
{
    if (pos.Column == 0) return PrevPos(pos);
    const std::string_view text = FBuffer->Line(pos.Line);
    size_t i = std::min(pos.Column, text.size());
    while (i > 0 && ClassOf(text[i - 1]) == ccSpace)
        --i;
    if (i > 0) {
        const TCharClass c = ClassOf(text[i - 1]);
        while (i > 0 && ClassOf(text[i - 1]) == c)
            --i;
    }
    return TTextPos{pos.Line, i};
}

TTextPos TMemoView::WordRight(TTextPos pos) const
{
    const std::string_view text = FBuffer->Line(pos.Line);
    if (pos.Column >= text.size()) return NextPos(pos);
    size_t i = pos.Column;
    const TCharClass c = ClassOf(text[i]);
    if (c != ccSpace)
        while (i < text.size() && ClassOf(text[i]) == c)
            ++i;
    while (i < text.size() && ClassOf(text[i]) == ccSpace)
        ++i;
    return TTextPos{pos.Line, i};
}

void TMemoView::SelectWordAt(TTextPos pos)
{
    pos = FBuffer->Clamp(pos);
    const std::string_view text = FBuffer->Line(pos.Line);
    if (text.empty()) {
        SetCaret(pos);
        return;
    }
    const size_t at = std::min(pos.Column, text.size() - 1);
    const TCharClass c = ClassOf(text[at]);
    size_t a = at;
    while (a > 0 && ClassOf(text[a - 1]) == c)
        --a;
    size_t b = at;
    while (b < text.size() && ClassOf(text[b]) == c)
        ++b;
    FAnchor = TTextPos{pos.Line, a};
    SetCaret(TTextPos{pos.Line, b}, true);
    viewport()->update();
}

// ---- editing

void TMemoView::Replace(TTextPos from, TTextPos to, std::string_view bytes,
                        TTextHistory::TKind kind)
{
    if (FBuffer == nullptr || FReadOnly) return;
    if (to < from) std::swap(from, to);
    if (from == to && bytes.empty()) return;
    const size_t linesBefore = FBuffer->LineCount();
    const bool oneLine = from.Line == to.Line;
    int rowsBefore = -1;
    if (oneLine && SliceCount(from.Line) == 1) rowsBefore = SubRows(from.Line, 0);
    TTextPos caret;
    if (from == to)
        caret = FHistory->Insert(*FBuffer, from, bytes, kind);
    else if (bytes.empty())
        caret = FHistory->Remove(*FBuffer, from, to, kind);
    else
        caret = FHistory->Replace(*FBuffer, from, to, bytes, kind);
    FCaret = FAnchor = caret;
    const bool sameLines =
        oneLine && caret.Line == from.Line && FBuffer->LineCount() == linesBefore;
    DropLayouts(from.Line, sameLines ? from.Line + 1 : SIZE_MAX);
    FTop = Clamped(FTop);
    UpdateScrollRange();
    FGoalX = -1;
    // Repaint what the edit touched: its rows when the line kept its row count, else
    // everything from the line down.
    const int rows = VisibleRows() + 1;
    int y = 0;
    if (from.Line > FTop.Line) {
        const int index = RowIndex(TRow{from.Line, 0, 0}, rows);
        y = index < 0 ? viewport()->height() : kTopMargin + index * FRowHeight;
    }
    int height = viewport()->height() - y;
    if (sameLines && rowsBefore >= 0 && SliceCount(from.Line) == 1 &&
        SubRows(from.Line, 0) == rowsBefore && from.Line != FTop.Line)
        height = rowsBefore * FRowHeight;
    if (height > 0) viewport()->update(QRect(0, y, viewport()->width(), height));
    EnsureCaretVisible();
    RestartBlink();
    if (OnEdited) OnEdited();
}

void TMemoView::InsertTyped(const QString& text, TTextHistory::TKind kind)
{
    if (FBuffer == nullptr || FReadOnly) return;
    const std::string bytes = QStringToCp1251(SanitizeForCp1251(text));
    Replace(FAnchor, FCaret, bytes, HasSelection() ? TTextHistory::hkOther : kind);
}

void TMemoView::DeleteSelection()
{
    if (HasSelection()) Replace(FAnchor, FCaret, {}, TTextHistory::hkOther);
}

void TMemoView::Undo()
{
    TTextPos caret;
    if (FBuffer == nullptr || FReadOnly || !FHistory->Undo(*FBuffer, caret)) return;
    FCaret = FAnchor = FBuffer->Clamp(caret);
    DropAllLayouts();
    FTop = Clamped(FTop);
    UpdateScrollRange();
    viewport()->update();
    EnsureCaretVisible();
    RestartBlink();
    if (OnEdited) OnEdited();
}

void TMemoView::Redo()
{
    TTextPos caret;
    if (FBuffer == nullptr || FReadOnly || !FHistory->Redo(*FBuffer, caret)) return;
    FCaret = FAnchor = FBuffer->Clamp(caret);
    DropAllLayouts();
    FTop = Clamped(FTop);
    UpdateScrollRange();
    viewport()->update();
    EnsureCaretVisible();
    RestartBlink();
    if (OnEdited) OnEdited();
}

void TMemoView::Copy() const
{
    if (FBuffer == nullptr || !HasSelection()) return;
    QApplication::clipboard()->setText(
        ClipboardText(FBuffer->TextOf(std::min(FCaret, FAnchor), std::max(FCaret, FAnchor))));
}

void TMemoView::Cut()
{
    if (FReadOnly || !HasSelection()) return;
    Copy();
    DeleteSelection();
}

void TMemoView::Paste()
{
    if (FBuffer == nullptr || FReadOnly) return;
    const QMimeData* data = QApplication::clipboard()->mimeData();
    if (data == nullptr || !data->hasText()) return;
    const QString text = data->text();
    if (text.isEmpty()) return;
    FHistory->EndGroup();
    InsertTyped(text, TTextHistory::hkOther);
    FHistory->EndGroup();
}

void TMemoView::SelectAll()
{
    if (FBuffer == nullptr) return;
    FAnchor = TTextPos{};
    FCaret = EndPos();
    FHistory->EndGroup();
    viewport()->update();
    RestartBlink();
}

QMenu* TMemoView::CreateContextMenu(QWidget* parent)
{
    auto* menu = new QMenu(parent);
    const bool editable = FBuffer != nullptr && !FReadOnly;
    const bool selection = FBuffer != nullptr && HasSelection();
    const QMimeData* clip = QApplication::clipboard()->mimeData();
    const auto add = [&](const QString& text, QKeySequence::StandardKey key, bool enabled,
                         std::function<void()> action) {
        const QString shortcut = QKeySequence(key).toString(QKeySequence::NativeText);
        QAction* a = menu->addAction(shortcut.isEmpty() ? text : text + '\t' + shortcut);
        a->setEnabled(enabled);
        connect(a, &QAction::triggered, this, [this, action] {
            if (FBuffer != nullptr) action();
        });
    };
    add(QStringLiteral("&Undo"), QKeySequence::Undo, editable && FHistory->CanUndo(),
        [this] { Undo(); });
    add(QStringLiteral("&Redo"), QKeySequence::Redo, editable && FHistory->CanRedo(),
        [this] { Redo(); });
    menu->addSeparator();
    add(QStringLiteral("Cu&t"), QKeySequence::Cut, editable && selection, [this] { Cut(); });
    add(QStringLiteral("&Copy"), QKeySequence::Copy, selection, [this] { Copy(); });
    add(QStringLiteral("&Paste"), QKeySequence::Paste,
        editable && clip != nullptr && clip->hasText() && !clip->text().isEmpty(),
        [this] { Paste(); });
    add(QStringLiteral("&Delete"), QKeySequence::UnknownKey, editable && selection,
        [this] { DeleteSelection(); });
    menu->addSeparator();
    add(QStringLiteral("Select &All"), QKeySequence::SelectAll,
        FBuffer != nullptr && FBuffer->Size() > 0, [this] { SelectAll(); });
    return menu;
}

void TMemoView::contextMenuEvent(QContextMenuEvent* e)
{
    QMenu* menu = CreateContextMenu(this);
    menu->setAttribute(Qt::WA_DeleteOnClose);
    menu->popup(e->globalPos());
    e->accept();
}

// ---- keyboard

void TMemoView::MoveCaret(QKeyEvent* e)
{
    const bool shift = e->modifiers() & Qt::ShiftModifier;
    const bool ctrl = e->modifiers() & Qt::ControlModifier;
    TTextPos pos = FCaret;
    qreal goal = FGoalX;
    bool keepGoal = false;
    const auto goalX = [&] {
        if (goal < 0) goal = XOf(pos);
        keepGoal = true;
        return goal;
    };
    switch (e->key()) {
    case Qt::Key_Left:
        if (!shift && !ctrl && HasSelection())
            pos = std::min(FCaret, FAnchor);
        else
            pos = ctrl ? WordLeft(pos) : PrevPos(pos);
        break;
    case Qt::Key_Right:
        if (!shift && !ctrl && HasSelection())
            pos = std::max(FCaret, FAnchor);
        else
            pos = ctrl ? WordRight(pos) : NextPos(pos);
        break;
    case Qt::Key_Up:
    case Qt::Key_Down: {
        const bool up = e->key() == Qt::Key_Up;
        if (ctrl) {
            ScrollRows(up ? -1 : 1);
            return;
        }
        const qreal x = goalX();
        TRow row = RowOf(pos);
        if (up ? PrevRow(row) : NextRow(row))
            pos = PosInRow(row, x);
        else
            pos = up ? TTextPos{} : EndPos();
        break;
    }
    case Qt::Key_PageUp:
    case Qt::Key_PageDown: {
        const bool up = e->key() == Qt::Key_PageUp;
        const int page = std::max(1, VisibleRows() - 1);
        const qreal x = goalX();
        TRow row = RowOf(pos);
        int moved = 0;
        while (moved < page && (up ? PrevRow(row) : NextRow(row)))
            ++moved;
        ScrollRows(up ? -moved : moved);
        pos = moved < page ? (up ? TTextPos{} : EndPos()) : PosInRow(row, x);
        break;
    }
    case Qt::Key_Home:
        if (ctrl || !FWrap) {
            pos = ctrl ? TTextPos{} : TTextPos{pos.Line, 0};
        } else {
            const TRow row = RowOf(pos);
            const QTextLine line = LayoutOf(row.Line, row.Slice).lineAt(row.Sub);
            pos = TTextPos{row.Line, SliceStart(row.Slice) + static_cast<size_t>(line.textStart())};
        }
        break;
    case Qt::Key_End:
        if (ctrl || !FWrap) {
            pos = ctrl ? EndPos() : TTextPos{pos.Line, FBuffer->Line(pos.Line).size()};
        } else {
            pos = PosInRow(RowOf(pos), 1e9);
        }
        break;
    default:
        e->ignore();
        return;
    }
    FHistory->EndGroup();
    SetCaret(pos, shift);
    FGoalX = keepGoal ? goal : -1;
    e->accept();
}

void TMemoView::keyPressEvent(QKeyEvent* e)
{
    if (FBuffer == nullptr) {
        e->ignore();
        return;
    }
    e->accept();
    if (e->matches(QKeySequence::Undo)) return Undo();
    const Qt::KeyboardModifiers mods = e->modifiers() & ~Qt::KeypadModifier;
    // Both redo keys of the two common schemes, whichever the platform's is.
    if (e->matches(QKeySequence::Redo) || (mods == Qt::ControlModifier && e->key() == Qt::Key_Y) ||
        (mods == (Qt::ControlModifier | Qt::ShiftModifier) && e->key() == Qt::Key_Z))
        return Redo();
    if (e->matches(QKeySequence::Cut)) return Cut();
    if (e->matches(QKeySequence::Copy)) return Copy();
    if (e->matches(QKeySequence::Paste)) return Paste();
    if (e->matches(QKeySequence::SelectAll)) return SelectAll();
    const bool ctrl = e->modifiers() & Qt::ControlModifier;
    switch (e->key()) {
    case Qt::Key_Backspace:
        if (HasSelection())
            DeleteSelection();
        else
            Replace(ctrl ? WordLeft(FCaret) : PrevPos(FCaret), FCaret, {},
                    TTextHistory::hkBackspace);
        return;
    case Qt::Key_Delete:
        if (HasSelection())
            DeleteSelection();
        else
            Replace(FCaret, ctrl ? WordRight(FCaret) : NextPos(FCaret), {}, TTextHistory::hkDelete);
        return;
    case Qt::Key_Return:
    case Qt::Key_Enter:
        // Shift+Enter too: the text has one kind of break.
        InsertTyped(QStringLiteral("\r\n"), TTextHistory::hkOther);
        return;
    case Qt::Key_Tab:
        InsertTyped(QStringLiteral("\t"), TTextHistory::hkTyping);
        return;
    case Qt::Key_Left:
    case Qt::Key_Right:
    case Qt::Key_Up:
    case Qt::Key_Down:
    case Qt::Key_PageUp:
    case Qt::Key_PageDown:
    case Qt::Key_Home:
    case Qt::Key_End:
        MoveCaret(e);
        return;
    default:
        break;
    }
    // Ctrl with Alt is AltGr on some keyboards: that still types.
    const bool command = ctrl && !(e->modifiers() & Qt::AltModifier);
    if (!command && Printable(e->text())) {
        InsertTyped(e->text(), TTextHistory::hkTyping);
        return;
    }
    e->ignore();
}

void TMemoView::inputMethodEvent(QInputMethodEvent* e)
{
    if (FBuffer == nullptr) return;
    if (!FReadOnly && (!e->commitString().isEmpty() || e->replacementLength() > 0)) {
        TTextPos from = std::min(FCaret, FAnchor);
        TTextPos to = std::max(FCaret, FAnchor);
        if (e->replacementLength() > 0 || e->replacementStart() != 0) {
            const qint64 length = static_cast<qint64>(FBuffer->Line(FCaret.Line).size());
            const qint64 start = std::clamp<qint64>(
                static_cast<qint64>(FCaret.Column) + e->replacementStart(), 0, length);
            const qint64 end = std::clamp<qint64>(start + e->replacementLength(), start, length);
            from = TTextPos{FCaret.Line, static_cast<size_t>(start)};
            to = TTextPos{FCaret.Line, static_cast<size_t>(end)};
        }
        const std::string bytes = QStringToCp1251(SanitizeForCp1251(e->commitString()));
        Replace(from, to, bytes, from == to ? TTextHistory::hkTyping : TTextHistory::hkOther);
    }
    if (FPreedit != e->preeditString()) {
        FPreedit = e->preeditString();
        viewport()->update();
    }
    e->accept();
}

QVariant TMemoView::inputMethodQuery(Qt::InputMethodQuery query) const
{
    if (FBuffer == nullptr) return QAbstractScrollArea::inputMethodQuery(query);
    auto* self = const_cast<TMemoView*>(this);
    const std::string_view line = FBuffer->Line(FCaret.Line);
    const size_t windowStart =
        FCaret.Column > kSurrounding / 2 ? FCaret.Column - kSurrounding / 2 : 0;
    const std::string_view window = line.substr(std::min(windowStart, line.size()), kSurrounding);
    const size_t caret = FCaret.Column - windowStart;
    switch (query) {
    case Qt::ImEnabled:
        return !FReadOnly;
    case Qt::ImCursorRectangle:
        return QRectF(self->CaretRect().translated(viewport()->pos()));
    case Qt::ImFont:
        return font();
    case Qt::ImHints:
        return static_cast<int>(Qt::ImhMultiLine);
    case Qt::ImCursorPosition:
        return static_cast<int>(caret);
    case Qt::ImAnchorPosition:
        if (FAnchor.Line == FCaret.Line && FAnchor.Column >= windowStart &&
            FAnchor.Column <= windowStart + window.size())
            return static_cast<int>(FAnchor.Column - windowStart);
        return static_cast<int>(caret);
    case Qt::ImSurroundingText:
        return Cp1251ToQString(window);
    case Qt::ImTextBeforeCursor:
        return Cp1251ToQString(window.substr(0, caret));
    case Qt::ImTextAfterCursor:
        return Cp1251ToQString(window.substr(std::min(caret, window.size())));
    case Qt::ImCurrentSelection: {
        const TTextPos a = std::min(FCaret, FAnchor);
        const TTextPos b = std::max(FCaret, FAnchor);
        if (a == b || FBuffer->OffsetOf(b) - FBuffer->OffsetOf(a) > kSurrounding) return QString();
        return ClipboardText(FBuffer->TextOf(a, b));
    }
    default:
        return QAbstractScrollArea::inputMethodQuery(query);
    }
}

// ---- mouse

void TMemoView::mousePressEvent(QMouseEvent* e)
{
    TInputForwarder<QAbstractScrollArea>::mousePressEvent(e);
    if (FBuffer == nullptr || e->button() != Qt::LeftButton) return;
    if (!hasFocus()) setFocus(Qt::MouseFocusReason);
    FHistory->EndGroup();
    FDragPos = e->position().toPoint();
    SetCaret(PosAt(FDragPos), e->modifiers() & Qt::ShiftModifier);
    FGoalX = -1;
    FDragging = true;
    e->accept();
}

void TMemoView::mouseDoubleClickEvent(QMouseEvent* e)
{
    TInputForwarder<QAbstractScrollArea>::mouseDoubleClickEvent(e);
    if (FBuffer == nullptr || e->button() != Qt::LeftButton) return;
    SelectWordAt(PosAt(e->position().toPoint()));
    FDragging = false;
    e->accept();
}

void TMemoView::mouseMoveEvent(QMouseEvent* e)
{
    TInputForwarder<QAbstractScrollArea>::mouseMoveEvent(e);
    if (FBuffer == nullptr || !FDragging || !(e->buttons() & Qt::LeftButton)) return;
    FDragPos = e->position().toPoint();
    const bool outside = FDragPos.y() < 0 || FDragPos.y() >= viewport()->height() ||
                         (!FWrap && (FDragPos.x() < 0 || FDragPos.x() >= viewport()->width()));
    if (outside && !FScrollTimer.isActive())
        FScrollTimer.start(50, this);
    else if (!outside)
        FScrollTimer.stop();
    SetCaret(PosAt(FDragPos), true);
    e->accept();
}

void TMemoView::mouseReleaseEvent(QMouseEvent* e)
{
    TInputForwarder<QAbstractScrollArea>::mouseReleaseEvent(e);
    if (e->button() != Qt::LeftButton) return;
    FDragging = false;
    FScrollTimer.stop();
    // What the mouse selected is the X11 primary selection, within reason.
    QClipboard* clipboard = QApplication::clipboard();
    if (FBuffer != nullptr && HasSelection() && clipboard->supportsSelection()) {
        const TTextPos a = std::min(FCaret, FAnchor);
        const TTextPos b = std::max(FCaret, FAnchor);
        if (FBuffer->OffsetOf(b) - FBuffer->OffsetOf(a) <= kMaxPrimarySelection)
            clipboard->setText(ClipboardText(FBuffer->TextOf(a, b)), QClipboard::Selection);
    }
    e->accept();
}

void TMemoView::AutoScroll()
{
    if (FBuffer == nullptr || !FDragging) {
        FScrollTimer.stop();
        return;
    }
    // Faster the further the pointer is past the edge.
    const int y = FDragPos.y();
    if (y < 0)
        ScrollRows(-std::min(10, 1 - y / FRowHeight));
    else if (y >= viewport()->height())
        ScrollRows(std::min(10, 1 + (y - viewport()->height()) / FRowHeight));
    const QPoint inside(FDragPos.x(), std::clamp(y, 0, std::max(0, viewport()->height() - 1)));
    SetCaret(PosAt(inside), true);
    if (!FWrap) {
        QScrollBar* hbar = horizontalScrollBar();
        if (FDragPos.x() < 0)
            hbar->setValue(hbar->value() - FRowHeight);
        else if (FDragPos.x() >= viewport()->width())
            hbar->setValue(hbar->value() + FRowHeight);
    }
}

void TMemoView::wheelEvent(QWheelEvent* e)
{
    if (FPriv->control != nullptr && TControlBridge::Wheel(FPriv->control, e)) {
        e->accept();
        return;
    }
    if (FBuffer == nullptr) return;
    if (e->angleDelta().x() != 0 && !FWrap) {
        QScrollBar* hbar = horizontalScrollBar();
        hbar->setValue(hbar->value() - e->angleDelta().x() * FRowHeight * 3 / 120);
    }
    FWheelRest += e->angleDelta().y();
    const int notches = FWheelRest / 120;
    FWheelRest -= notches * 120;
    if (notches != 0) ScrollRows(-notches * QApplication::wheelScrollLines());
    e->accept();
}
