#include "toolkit/StdCtrls.h"

#include <QApplication>
#include <QFontMetrics>
#include <QScrollBar>
#include <algorithm>

#include "toolkit/CodePage.h"
#include "toolkit/CodePage_p.h"
#include "toolkit/FindBar_p.h"
#include "toolkit/Graphics_p.h"
#include "toolkit/MemoView_p.h"
#include "toolkit/StdCtrls_p.h"
#include "toolkit/TextFile.h"

namespace {

QWidget* WidgetOf(const TControl* c)
{
    return ControlWidget(c);
}

[[noreturn]] void ThrowCapacity()
{
    throw Exception("Text exceeds memo capacity");
}

} // namespace

// ---- private widgets

QValidator::State TCp1251Validator::validate(QString& input, int& pos) const
{
    const QString clean = SanitizeForCp1251(input);
    if (clean.size() != input.size()) {
        // A surrogate pair before the cursor became one character.
        const QString before = SanitizeForCp1251(input.left(pos));
        pos = static_cast<int>(before.size());
    }
    input = clean;
    return Acceptable;
}

// ---- TButton

TButton::TButton(TComponent* owner) : TWinControl(owner)
{
    TControlPrivate* priv = Private();
    auto* w = new TInputForwarder<QPushButton>(priv);
    QObject::connect(w, &QPushButton::clicked, w, [this, priv] {
        if (priv->control != nullptr) GuardedCall([this] { Click(); });
    });
    TControlBridge::Attach(this, w);
    SetBounds(0, 0, 75, 25);
}

TButton::~TButton()
{
    Private()->control = nullptr;
}

void TButton::SetCaption(const std::string& value)
{
    FCaption = value;
    if (auto* w = static_cast<QPushButton*>(WidgetOf(this))) w->setText(Cp1251ToQString(value));
}

void TButton::SetDefault(bool value)
{
    FDefault = value;
    if (auto* w = static_cast<QPushButton*>(WidgetOf(this))) w->setDefault(value);
}

void TButton::Click()
{
    TControl::Click();
}

// ---- TLabel

TLabel::TLabel(TComponent* owner) : TGraphicControl(owner)
{
    auto* w = new TInputForwarder<QLabel>(Private());
    w->setTextFormat(Qt::PlainText);
    // Painted over the parent: no background of its own.
    w->setAutoFillBackground(false);
    TControlBridge::Attach(this, w);
    SetBounds(0, 0, 65, 17);
    AdjustSize();
}

TLabel::~TLabel()
{
    Private()->control = nullptr;
}

void TLabel::SetCaption(const std::string& value)
{
    FCaption = value;
    if (auto* w = static_cast<QLabel*>(WidgetOf(this))) w->setText(Cp1251ToQString(value));
    AdjustSize();
}

void TLabel::SetAutoSize(bool value)
{
    FAutoSize = value;
    AdjustSize();
}

void TLabel::ApplyFont()
{
    TGraphicControl::ApplyFont();
    AdjustSize();
}

void TLabel::AdjustSize()
{
    if (!FAutoSize || IsLoading()) return;
    const QFontMetrics metrics(ToQFont(*Font()));
    const QString text = Cp1251ToQString(FCaption);
    SetBounds(Left(), Top(), metrics.horizontalAdvance(text), metrics.height());
}

// ---- TEdit

TEdit::TEdit(TComponent* owner) : TWinControl(owner)
{
    TControlPrivate* priv = Private();
    auto* w = new TInputForwarder<QLineEdit>(priv);
    w->setValidator(new TCp1251Validator(w));
    QObject::connect(w, &QLineEdit::textChanged, w, [this, priv] {
        if (priv->control != nullptr && !FSilent) GuardedCall([this] { Change(); });
    });
    TControlBridge::Attach(this, w);
    SetColor(clWindow);
    SetBounds(0, 0, 121, 21);
}

TEdit::~TEdit()
{
    Private()->control = nullptr;
}

std::string TEdit::Text() const
{
    auto* w = static_cast<QLineEdit*>(WidgetOf(this));
    return w != nullptr ? QStringToCp1251(w->text()) : std::string();
}

void TEdit::SetText(const std::string& value)
{
    auto* w = static_cast<QLineEdit*>(WidgetOf(this));
    const QString text = Cp1251ToQString(value);
    if (w->text() == text) return;
    // The layout's own text is no change by anybody.
    const bool silent = FSilent;
    FSilent = silent || IsLoading();
    w->setText(text);
    FSilent = silent;
}

void TEdit::SetInitialText(const std::string& value)
{
    FSilent = true;
    static_cast<QLineEdit*>(WidgetOf(this))->setText(Cp1251ToQString(value));
    FSilent = false;
}

void TEdit::SetMaxLength(int value)
{
    FMaxLength = std::max(0, value);
    static_cast<QLineEdit*>(WidgetOf(this))->setMaxLength(FMaxLength > 0 ? FMaxLength : 32767);
}

void TEdit::SetReadOnly(bool value)
{
    FReadOnly = value;
    static_cast<QLineEdit*>(WidgetOf(this))->setReadOnly(value);
}

void TEdit::Change()
{
    if (OnChange) OnChange(this);
}

// ---- TMemoStrings

int TMemoStrings::Count() const
{
    if (FCountRevision != FBuffer.Revision()) {
        const size_t lines = FBuffer.LineCount();
        // An empty last line (the text ends with a break, or is empty) is not counted.
        const bool lastEmpty = FBuffer.Line(lines - 1).empty();
        FCount = static_cast<int>(lastEmpty ? lines - 1 : lines);
        FCountRevision = FBuffer.Revision();
    }
    return FCount;
}

std::string_view TMemoStrings::Line(int index) const
{
    if (index < 0 || index >= Count()) throw EListError::IndexOutOfBounds(index);
    return FBuffer.Line(static_cast<size_t>(index)).substr(0, MaxLineLength);
}

bool TMemoStrings::Holds(std::string_view text) const
{
    if (text.size() != FBuffer.Size()) return false;
    size_t at = 0;
    for (const std::string_view piece : FBuffer.Pieces()) {
        if (text.substr(at, piece.size()) != piece) return false;
        at += piece.size();
    }
    return at == text.size();
}

void TMemoStrings::Assign(std::string text)
{
    // Every text that reaches here came through the normaliser.
    FBuffer.AssignNormalised(std::move(text));
    FHistory.Clear();
    FMemo->TextReplaced();
}

void TMemoStrings::Clear()
{
    Assign(std::string());
}

void TMemoStrings::SetText(const std::string& value)
{
    std::string text;
    text.reserve(value.size());
    TLineBreakNormaliser normaliser(text);
    normaliser.Feed(value.data(), value.size());
    normaliser.Finish();
    if (text.size() > FMemo->EffectiveMaxLength()) ThrowCapacity();
    if (Holds(text)) return;
    Assign(std::move(text));
    FMemo->Change();
}

void TMemoStrings::LoadFromFile(const std::string& fileName)
{
    TLoadedText loaded = ReadTextFile(fileName, FMemo->EffectiveMaxLength());
    FCutLine = loaded.CutLine;
    if (loaded.TooLong) {
        Clear();
        ThrowCapacity();
    }
    // A text cut at a NUL never equals the view's text, which holds no NUL.
    if (!loaded.CutAtNul && Holds(loaded.Text)) return;
    Assign(std::move(loaded.Text));
    FMemo->Change();
}

void TMemoStrings::SaveToFile(const std::string& fileName) const
{
    WriteTextFile(fileName, FBuffer.Pieces());
}

// ---- TMemo

namespace {

TMemoView* ViewOf(const TMemo* memo)
{
    return static_cast<TMemoView*>(ControlWidget(memo));
}

} // namespace

TMemo::TMemo(TComponent* owner) : TWinControl(owner), FLines(std::make_unique<TMemoStrings>(this))
{
    TControlPrivate* priv = Private();
    auto* w = new TMemoView(priv, &FLines->FBuffer, &FLines->FHistory);
    w->OnEdited = [this, priv] {
        if (priv->control != nullptr) GuardedCall([this] { Change(); });
    };
    w->OnCaretMoved = [this, priv] {
        if (priv->control != nullptr && OnCaretMove) GuardedCall([this] { OnCaretMove(this); });
    };
    TControlBridge::Attach(this, w);
    SetColor(clWindow);
    SetBounds(0, 0, 185, 89);
    SetScrollBars(ssNone);
    SetWordWrap(true);
}

TMemo::~TMemo()
{
    Private()->control = nullptr;
    // The lines and their buffer go before the widget does.
    if (TMemoView* view = ViewOf(this)) view->Detach();
}

void TMemo::SetScrollBars(TScrollStyle value)
{
    FScrollBars = value;
    TMemoView* w = ViewOf(this);
    const bool vertical = value == ssVertical || value == ssBoth;
    const bool horizontal = value == ssHorizontal || value == ssBoth;
    w->setVerticalScrollBarPolicy(vertical ? Qt::ScrollBarAlwaysOn : Qt::ScrollBarAlwaysOff);
    w->setHorizontalScrollBarPolicy(horizontal ? Qt::ScrollBarAlwaysOn : Qt::ScrollBarAlwaysOff);
}

void TMemo::SetWordWrap(bool value)
{
    FWordWrap = value;
    ViewOf(this)->SetWordWrap(value);
}

void TMemo::SetReadOnly(bool value)
{
    FReadOnly = value;
    ViewOf(this)->SetReadOnly(value);
}

int TMemo::SelStart() const
{
    return static_cast<int>(FLines->FBuffer.OffsetOf(ViewOf(this)->Caret()));
}

void TMemo::SetSelStart(int value)
{
    const TTextPos pos = FLines->FBuffer.PosOf(static_cast<size_t>(std::max(0, value)));
    ViewOf(this)->SetCaret(pos);
}

TTextPos TMemo::CaretPos() const
{
    return ViewOf(this)->Caret();
}

TTextPos TMemo::AnchorPos() const
{
    return ViewOf(this)->Anchor();
}

void TMemo::SetCaretPos(TTextPos pos)
{
    ViewOf(this)->SetCaret(pos);
}

namespace {

TFindBar* FindBarOf(const TMemo* memo)
{
    TMemoView* view = ViewOf(memo);
    TFindBar* bar = view->FindBar();
    if (bar != nullptr && !bar->OnQuery)
        bar->OnQuery = [memo](const std::string& text, int direction, std::string& note) {
            return memo->OnFindQuery ? memo->OnFindQuery(text, direction, note) : -1;
        };
    return bar;
}

} // namespace

void TMemo::ShowFindBar()
{
    if (TFindBar* bar = FindBarOf(this)) bar->Open();
}

void TMemo::CloseFindBar()
{
    if (ViewOf(this)->HasFindBar()) FindBarOf(this)->Close();
}

bool TMemo::FindBarVisible() const
{
    return ViewOf(this)->HasFindBar() && FindBarOf(this)->isVisible();
}

bool TMemo::FindBarFocused() const
{
    return FindBarVisible() && FindBarOf(this)->isAncestorOf(QApplication::focusWidget());
}

std::string TMemo::FindText() const
{
    return ViewOf(this)->HasFindBar() ? FindBarOf(this)->Text() : std::string();
}

void TMemo::SetFindText(const std::string& value)
{
    if (TFindBar* bar = FindBarOf(this)) bar->SetText(value);
}

bool TMemo::FindNext(bool backwards)
{
    return ViewOf(this)->HasFindBar() && FindBarOf(this)->Step(backwards);
}

std::string TMemo::FindNote() const
{
    return ViewOf(this)->HasFindBar() ? FindBarOf(this)->Note() : std::string();
}

int TMemo::FindMatchCount() const
{
    return ViewOf(this)->HasFindBar() ? FindBarOf(this)->Count() : -1;
}

void TMemo::TextReplaced()
{
    if (TMemoView* view = ViewOf(this)) view->TextReplaced();
}

void TMemo::Change()
{
    if (OnChange) OnChange(this);
}
