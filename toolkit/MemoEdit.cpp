#include "toolkit/MemoView_p.h"

#include <QApplication>
#include <QClipboard>
#include <QContextMenuEvent>
#include <QDrag>
#include <QDropEvent>
#include <QFocusEvent>
#include <QInputMethod>
#include <QInputMethodEvent>
#include <QKeyEvent>
#include <QMenu>
#include <QMimeData>
#include <QScrollBar>
#include <QTextLine>
#include <QUrl>
#include <algorithm>
#include <array>
#include <climits>

#include "toolkit/CodePage_p.h"

namespace {

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

// Text for other programs: LF breaks. The buffer's breaks are CR LF and it holds no
// other CR, so dropping each CR in one pass is the whole conversion (a replace on the
// QString costs time quadratic in the breaks).
QString ClipboardText(std::string bytes)
{
    size_t out = 0;
    for (size_t i = 0; i < bytes.size(); ++i)
        if (bytes[i] != '\r' || i + 1 == bytes.size() || bytes[i + 1] != '\n')
            bytes[out++] = bytes[i];
    bytes.resize(out);
    return Cp1251ToQString(bytes);
}

const QString kTextPlain = QStringLiteral("text/plain");

std::unique_ptr<QMimeData>& StandInPrimaryData()
{
    static std::unique_ptr<QMimeData> data;
    return data;
}

bool HasPrimary()
{
    return TMemoView::StandInPrimary || QApplication::clipboard()->supportsSelection();
}

// A drag of file names is for the window to open, not text for the view.
bool HasLocalFiles(const QMimeData* data)
{
    if (!data->hasUrls()) return false;
    const QList<QUrl> urls = data->urls();
    return std::any_of(urls.begin(), urls.end(), [](const QUrl& url) { return url.isLocalFile(); });
}

} // namespace

// The selected text as the primary selection: read from the buffer only when another
// program asks, so that selecting costs nothing however much is selected; kept before
// the buffer changes under it.
class TSelectionData : public QMimeData
{
public:
    TSelectionData(const TMemoView* view, TTextPos from, TTextPos to)
        : FView(view), FFrom(from), FTo(to), FRevision(view->FBuffer->Revision())
    {
    }

    bool Covers(const TMemoView* view, TTextPos from, TTextPos to) const
    {
        return FLazy && FView == view && FFrom == from && FTo == to &&
               view->FBuffer->Revision() == FRevision;
    }
    void Keep()
    {
        if (!FLazy) return;
        const TTextBuffer* buffer = Buffer();
        if (buffer != nullptr &&
            buffer->OffsetOf(FTo) - buffer->OffsetOf(FFrom) <= kMaxPrimarySelection)
            FText = ClipboardText(buffer->TextOf(FFrom, FTo));
        FLazy = false;
    }
    QStringList formats() const override { return {kTextPlain}; }
    bool hasFormat(const QString& type) const override { return type == kTextPlain; }

protected:
    QVariant retrieveData(const QString& type, QMetaType meta) const override
    {
        if (type != kTextPlain) return QVariant();
        if (FLazy) {
            const TTextBuffer* buffer = Buffer();
            if (buffer != nullptr) FText = ClipboardText(buffer->TextOf(FFrom, FTo));
            FLazy = false;
        }
        if (meta.id() == QMetaType::QByteArray) return FText.toUtf8();
        return FText;
    }

private:
    const TTextBuffer* Buffer() const
    {
        if (FView.isNull() || FView->FBuffer == nullptr || FView->FBuffer->Revision() != FRevision)
            return nullptr;
        return FView->FBuffer;
    }

    QPointer<const TMemoView> FView;
    TTextPos FFrom;
    TTextPos FTo;
    uint64_t FRevision = 0;
    mutable bool FLazy = true;
    mutable QString FText;
};

const QMimeData* TMemoView::PrimarySelection()
{
    if (QApplication::clipboard()->supportsSelection())
        return QApplication::clipboard()->mimeData(QClipboard::Selection);
    return StandInPrimaryData().get();
}

void TMemoView::SetPrimarySelection(QMimeData* data)
{
    if (QApplication::clipboard()->supportsSelection())
        QApplication::clipboard()->setMimeData(data, QClipboard::Selection);
    else
        StandInPrimaryData().reset(data);
}

void TMemoView::SchedulePrimary()
{
    // Once the selection settles: a held Shift+Down claims it once.
    if (HasSelection() && HasPrimary() && !FPrimaryTimer.isActive()) FPrimaryTimer.start(0, this);
}

void TMemoView::ClaimPrimary()
{
    FPrimaryTimer.stop();
    if (FBuffer == nullptr || !HasSelection() || !HasPrimary()) return;
    const TTextPos from = std::min(FCaret, FAnchor);
    const TTextPos to = std::max(FCaret, FAnchor);
    if (!FPrimary.isNull() && PrimarySelection() == FPrimary.data() &&
        FPrimary->Covers(this, from, to))
        return;
    auto* data = new TSelectionData(this, from, to);
    SetPrimarySelection(data);
    FPrimary = data;
}

void TMemoView::KeepPrimary()
{
    if (!FPrimary.isNull()) FPrimary->Keep();
}

bool IsPrintableText(const QString& text)
{
    if (text.isEmpty()) return false;
    for (const QChar ch : text)
        if (ch.unicode() < 0x20 || ch.unicode() == 0x7F) return false;
    return true;
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
    // Every road that changes the selection ends here too.
    SchedulePrimary();
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
    } else if (e->timerId() == FPrimaryTimer.timerId()) {
        ClaimPrimary();
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

std::pair<TTextPos, TTextPos> TMemoView::WordAt(TTextPos pos) const
{
    pos = FBuffer->Clamp(pos);
    const std::string_view text = FBuffer->Line(pos.Line);
    if (text.empty()) return {pos, pos};
    const size_t at = std::min(pos.Column, text.size() - 1);
    const TCharClass c = ClassOf(text[at]);
    size_t a = at;
    while (a > 0 && ClassOf(text[a - 1]) == c)
        --a;
    size_t b = at;
    while (b < text.size() && ClassOf(text[b]) == c)
        ++b;
    return {TTextPos{pos.Line, a}, TTextPos{pos.Line, b}};
}

std::pair<TTextPos, TTextPos> TMemoView::LineAt(size_t index) const
{
    index = std::min(index, FBuffer->LineCount() - 1);
    if (index + 1 < FBuffer->LineCount()) return {TTextPos{index, 0}, TTextPos{index + 1, 0}};
    return {TTextPos{index, 0}, TTextPos{index, FBuffer->Line(index).size()}};
}

void TMemoView::SelectUnit(TUnit unit, TTextPos pos)
{
    const auto [from, to] = unit == suLine ? LineAt(pos.Line) : WordAt(pos);
    FUnit = unit;
    FUnitFrom = from;
    FUnitTo = to;
    FAnchor = from;
    SetCaret(to, true);
    viewport()->update();
}

void TMemoView::ExtendTo(TTextPos pos)
{
    pos = FBuffer->Clamp(pos);
    if (FUnit == suChar) {
        SetCaret(pos, true);
        return;
    }
    // The unit clicked stays selected; the selection grows away from it by whole units.
    const auto [from, to] = FUnit == suLine ? LineAt(pos.Line) : WordAt(pos);
    if (pos < FUnitFrom) {
        FAnchor = FUnitTo;
        SetCaret(from, true);
    } else {
        FAnchor = FUnitFrom;
        SetCaret(std::max(to, FUnitTo), true);
    }
}

bool TMemoView::InSelection(TTextPos pos) const
{
    return HasSelection() && std::min(FCaret, FAnchor) <= pos && pos < std::max(FCaret, FAnchor);
}

// ---- editing

void TMemoView::Replace(TTextPos from, TTextPos to, std::string_view bytes,
                        TTextHistory::TKind kind)
{
    if (FBuffer == nullptr || FReadOnly) return;
    if (to < from) std::swap(from, to);
    if (from == to && bytes.empty()) return;
    KeepPrimary();
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
    ReportEdit();
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
    StepHistory(&TTextHistory::Undo);
}

void TMemoView::Redo()
{
    StepHistory(&TTextHistory::Redo);
}

void TMemoView::StepHistory(bool (TTextHistory::*step)(TTextBuffer&, TTextPos&))
{
    TTextPos caret;
    if (FBuffer == nullptr || FReadOnly) return;
    KeepPrimary();
    if (!(FHistory->*step)(*FBuffer, caret)) return;
    FCaret = FAnchor = FBuffer->Clamp(caret);
    DropAllLayouts();
    FTop = Clamped(FTop);
    UpdateScrollRange();
    viewport()->update();
    ReportEdit();
}

void TMemoView::ReportEdit()
{
    // The edit is told first: whoever hears of the caret then reads the new text.
    if (OnEdited) OnEdited();
    if (FBuffer == nullptr) return;
    // The word or line a double or triple click took is gone with the edit.
    FUnit = suChar;
    // A handler may have replaced the text.
    FCaret = FBuffer->Clamp(FCaret);
    FAnchor = FBuffer->Clamp(FAnchor);
    EnsureCaretVisible();
    RestartBlink();
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
            pos = RowEnd(RowOf(pos));
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
        if (ctrl) break;
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
    if (!command && IsPrintableText(e->text())) {
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
    if (FBuffer == nullptr) return;
    const QPoint p = e->position().toPoint();
    if (e->button() == Qt::MiddleButton) {
        PastePrimary(PosAt(p));
        e->accept();
        return;
    }
    if (e->button() != Qt::LeftButton) return;
    if (!hasFocus()) setFocus(Qt::MouseFocusReason);
    FHistory->EndGroup();
    FGoalX = -1;
    FDragPos = p;
    const bool shift = e->modifiers() & Qt::ShiftModifier;
    const TTextPos at = PosAt(p);
    const bool triple = !shift && FSinceDoubleClick.isValid() &&
                        FSinceDoubleClick.elapsed() < QApplication::doubleClickInterval() &&
                        (p - FDoubleClickPos).manhattanLength() < QApplication::startDragDistance();
    FSinceDoubleClick.invalidate();
    if (triple) {
        SelectUnit(suLine, at);
        FDragging = true;
    } else if (!shift && InSelection(at)) {
        // A drag of the selected text, or a click once the button is released.
        FPressInSelection = true;
        FPressPos = p;
    } else {
        if (!shift) FUnit = suChar;
        // Shift extends by the unit of the last double or triple click, as it started.
        if (shift && FUnit != suChar)
            ExtendTo(at);
        else
            SetCaret(at, shift);
        FDragging = true;
    }
    e->accept();
}

void TMemoView::mouseDoubleClickEvent(QMouseEvent* e)
{
    TInputForwarder<QAbstractScrollArea>::mouseDoubleClickEvent(e);
    if (FBuffer == nullptr || e->button() != Qt::LeftButton) return;
    FPressInSelection = false;
    const QPoint p = e->position().toPoint();
    SelectUnit(suWord, PosAt(p));
    FDragging = true;
    FDragPos = p;
    FSinceDoubleClick.start();
    FDoubleClickPos = p;
    e->accept();
}

void TMemoView::mouseMoveEvent(QMouseEvent* e)
{
    TInputForwarder<QAbstractScrollArea>::mouseMoveEvent(e);
    if (FBuffer == nullptr || !(e->buttons() & Qt::LeftButton)) return;
    const QPoint p = e->position().toPoint();
    if (FPressInSelection) {
        if ((p - FPressPos).manhattanLength() >= QApplication::startDragDistance()) {
            FPressInSelection = false;
            StartDrag();
        }
        e->accept();
        return;
    }
    if (!FDragging) return;
    FDragPos = p;
    const bool outside = FDragPos.y() < 0 || FDragPos.y() >= viewport()->height() ||
                         (!FWrap && (FDragPos.x() < 0 || FDragPos.x() >= viewport()->width()));
    if (outside && !FScrollTimer.isActive())
        FScrollTimer.start(50, this);
    else if (!outside)
        FScrollTimer.stop();
    ExtendTo(PosAt(FDragPos));
    e->accept();
}

void TMemoView::mouseReleaseEvent(QMouseEvent* e)
{
    TInputForwarder<QAbstractScrollArea>::mouseReleaseEvent(e);
    if (e->button() != Qt::LeftButton) return;
    FDragging = false;
    FScrollTimer.stop();
    if (FPressInSelection && FBuffer != nullptr) SetCaret(PosAt(FPressPos));
    FPressInSelection = false;
    e->accept();
}

void TMemoView::PastePrimary(TTextPos at)
{
    if (FReadOnly) return;
    const QMimeData* data = PrimarySelection();
    if (data == nullptr || !data->hasText()) return;
    // Read before the caret moves: the selection may be this view's own.
    const QString text = data->text();
    if (text.isEmpty()) return;
    FHistory->EndGroup();
    SetCaret(at);
    InsertTyped(text, TTextHistory::hkOther);
    FHistory->EndGroup();
}

// ---- drag and drop

void TMemoView::StartDrag()
{
    const TTextPos from = std::min(FCaret, FAnchor);
    const TTextPos to = std::max(FCaret, FAnchor);
    auto* data = new QMimeData;
    data->setText(ClipboardText(FBuffer->TextOf(from, to)));
    auto* drag = new QDrag(this);
    drag->setMimeData(data);
    const uint64_t revision = FBuffer->Revision();
    FOwnDrag = true;
    FDroppedHere = false;
    const Qt::DropAction action =
        drag->exec(FReadOnly ? Qt::CopyAction : Qt::CopyAction | Qt::MoveAction,
                   FReadOnly ? Qt::CopyAction : Qt::MoveAction);
    FOwnDrag = false;
    ShowDropCaret(false);
    // Moved into another program: the text leaves here, unless it changed meanwhile.
    if (action == Qt::MoveAction && !FDroppedHere && FBuffer != nullptr &&
        FBuffer->Revision() == revision && !FReadOnly) {
        FHistory->EndGroup();
        Replace(from, to, {}, TTextHistory::hkOther);
    }
}

bool TMemoView::AcceptsDrop(const QMimeData* data) const
{
    return FBuffer != nullptr && !FReadOnly && data != nullptr && data->hasText() &&
           !HasLocalFiles(data);
}

void TMemoView::ShowDropCaret(bool shown, TTextPos pos)
{
    if (FDropRect.isValid()) viewport()->update(FDropRect.adjusted(-2, 0, 2, 0));
    FDropShown = shown;
    FDropPos = pos;
    if (!shown) return;
    const QRect rect = CaretRectAt(pos);
    if (rect.isValid()) viewport()->update(rect.adjusted(-2, 0, 2, 0));
}

void TMemoView::dragEnterEvent(QDragEnterEvent* e)
{
    if (!AcceptsDrop(e->mimeData())) {
        e->ignore();
        return;
    }
    dragMoveEvent(e);
}

void TMemoView::dragMoveEvent(QDragMoveEvent* e)
{
    if (!AcceptsDrop(e->mimeData())) {
        e->ignore();
        return;
    }
    const TTextPos at = PosAt(e->position().toPoint());
    ShowDropCaret(true, at);
    const bool copy = (e->modifiers() & Qt::ControlModifier) || !FOwnDrag;
    if (copy && (e->possibleActions() & Qt::CopyAction))
        e->setDropAction(Qt::CopyAction);
    else if (!copy && (e->possibleActions() & Qt::MoveAction))
        e->setDropAction(Qt::MoveAction);
    else
        e->setDropAction(e->proposedAction());
    e->accept();
}

void TMemoView::dragLeaveEvent(QDragLeaveEvent* e)
{
    ShowDropCaret(false);
    e->accept();
}

void TMemoView::dropEvent(QDropEvent* e)
{
    ShowDropCaret(false);
    if (!AcceptsDrop(e->mimeData())) {
        e->ignore();
        return;
    }
    const bool copy = (e->modifiers() & Qt::ControlModifier) || !FOwnDrag;
    if (!hasFocus()) setFocus(Qt::OtherFocusReason);
    Drop(PosAt(e->position().toPoint()), e->mimeData(), copy);
    e->setDropAction(copy ? Qt::CopyAction : Qt::MoveAction);
    e->accept();
}

void TMemoView::Drop(TTextPos at, const QMimeData* data, bool copy)
{
    at = FBuffer->Clamp(at);
    FDroppedHere = FOwnDrag;
    const TTextPos from = std::min(FCaret, FAnchor);
    const TTextPos to = std::max(FCaret, FAnchor);
    // Onto itself: nothing to move.
    if (FOwnDrag && from <= at && at <= to) {
        SetCaret(at);
        return;
    }
    FHistory->EndGroup();
    if (!FOwnDrag || copy) {
        const std::string bytes = QStringToCp1251(SanitizeForCp1251(data->text()));
        Replace(at, at, bytes, TTextHistory::hkOther);
        FHistory->EndGroup();
        // The dropped text stays selected.
        FAnchor = at;
        SetCaret(FCaret, true);
        return;
    }
    // A move is one replacement of the stretch from the text to the drop place, so
    // that it is one step to undo.
    const std::string moved = FBuffer->TextOf(from, to);
    size_t start = 0;
    if (at < from) {
        start = FBuffer->OffsetOf(at);
        Replace(at, to, moved + FBuffer->TextOf(at, from), TTextHistory::hkOther);
    } else {
        start = FBuffer->OffsetOf(from) + FBuffer->OffsetOf(at) - FBuffer->OffsetOf(to);
        Replace(from, at, FBuffer->TextOf(to, at) + moved, TTextHistory::hkOther);
    }
    FHistory->EndGroup();
    FAnchor = FBuffer->PosOf(start);
    SetCaret(FBuffer->PosOf(start + moved.size()), true);
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
    ExtendTo(PosAt(inside));
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
