#include "toolkit/StdCtrls.h"

#include <QFontMetrics>
#include <QScrollBar>
#include <QTextBlock>
#include <QTextCursor>
#include <algorithm>
#include <cstring>

#include "toolkit/CodePage.h"
#include "toolkit/CodePage_p.h"
#include "toolkit/Graphics_p.h"
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

void TMemoWidget::keyPressEvent(QKeyEvent* e)
{
    const bool enter = e->key() == Qt::Key_Return || e->key() == Qt::Key_Enter;
    const QString clean = SanitizeForCp1251(e->text());
    if ((enter && (e->modifiers() & Qt::ShiftModifier)) || clean != e->text()) {
        const Qt::KeyboardModifiers mods =
            enter ? e->modifiers() & ~Qt::ShiftModifier : e->modifiers();
        QKeyEvent copy(e->type(), e->key(), mods, clean, e->isAutoRepeat(),
                       static_cast<quint16>(e->count()));
        QPlainTextEdit::keyPressEvent(&copy);
        e->setAccepted(copy.isAccepted());
        return;
    }
    QPlainTextEdit::keyPressEvent(e);
}

void TMemoWidget::inputMethodEvent(QInputMethodEvent* e)
{
    const QString clean = SanitizeForCp1251(e->commitString());
    if (clean == e->commitString()) {
        QPlainTextEdit::inputMethodEvent(e);
        return;
    }
    QInputMethodEvent copy(e->preeditString(), e->attributes());
    copy.setCommitString(clean, e->replacementStart(), e->replacementLength());
    QPlainTextEdit::inputMethodEvent(&copy);
}

void TMemoWidget::insertFromMimeData(const QMimeData* source)
{
    if (source == nullptr || !source->hasText()) return;
    QMimeData plain;
    plain.setText(SanitizeForCp1251(source->text()));
    QPlainTextEdit::insertFromMimeData(&plain);
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
    EnsureMirror();
    const size_t lines = FLineStarts.size() - 1;
    // An empty last line (the text ends with a break, or is empty) is not counted.
    const bool lastEmpty = FLineStarts[lines - 1] == FText.size();
    return static_cast<int>(lastEmpty ? lines - 1 : lines);
}

std::string_view TMemoStrings::Line(int index) const
{
    if (index < 0 || index >= Count()) throw EListError::IndexOutOfBounds(index);
    const size_t begin = FLineStarts[static_cast<size_t>(index)];
    const size_t end = FLineStarts[static_cast<size_t>(index) + 1] - 2;
    return std::string_view(FText).substr(begin, std::min(end - begin, MaxLineLength));
}

const std::string& TMemoStrings::Text() const
{
    EnsureMirror();
    return FText;
}

void TMemoStrings::SetMirror(std::string text)
{
    FText = std::move(text);
    FLineStarts.clear();
    FLineStarts.push_back(0);
    const char* data = FText.data();
    const size_t size = FText.size();
    size_t pos = 0;
    // The mirror holds CR LF breaks only, so an LF always ends a line.
    while (pos < size) {
        const void* lf = std::memchr(data + pos, '\n', size - pos);
        if (lf == nullptr) break;
        pos = static_cast<size_t>(static_cast<const char*>(lf) - data) + 1;
        FLineStarts.push_back(pos);
    }
    // One past the end, as if the text had a final break.
    FLineStarts.push_back(size + 2);
    FDirty = false;
}

void TMemoStrings::Rebuild() const
{
    const_cast<TMemoStrings*>(this)->SetMirror(FMemo->ReadWidgetText());
}

void TMemoStrings::Clear()
{
    FMemo->ReplaceText(std::string());
    SetMirror(std::string());
}

void TMemoStrings::SetText(const std::string& value)
{
    std::string text;
    text.reserve(value.size());
    TLineBreakNormaliser normaliser(text);
    normaliser.Feed(value.data(), value.size());
    normaliser.Finish();
    if (text.size() > FMemo->EffectiveMaxLength()) ThrowCapacity();
    if (text == Text()) return;
    FMemo->ReplaceText(text);
    SetMirror(std::move(text));
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
    if (!loaded.CutAtNul && loaded.Text == Text()) return;
    FMemo->ReplaceText(loaded.Text);
    SetMirror(std::move(loaded.Text));
    FMemo->Change();
}

void TMemoStrings::SaveToFile(const std::string& fileName) const
{
    WriteTextFile(fileName, {std::string_view(Text())});
}

// ---- TMemo

TMemo::TMemo(TComponent* owner) : TWinControl(owner), FLines(std::make_unique<TMemoStrings>(this))
{
    TControlPrivate* priv = Private();
    auto* w = new TMemoWidget(priv);
    QObject::connect(w, &QPlainTextEdit::textChanged, w, [this, priv] {
        if (priv->control == nullptr || FSilent) return;
        FLines->Invalidate();
        GuardedCall([this] { Change(); });
    });
    TControlBridge::Attach(this, w);
    SetColor(clWindow);
    SetBounds(0, 0, 185, 89);
    SetScrollBars(ssNone);
    SetWordWrap(true);
}

TMemo::~TMemo()
{
    Private()->control = nullptr;
}

void TMemo::SetScrollBars(TScrollStyle value)
{
    FScrollBars = value;
    auto* w = static_cast<QPlainTextEdit*>(ControlWidget(this));
    const bool vertical = value == ssVertical || value == ssBoth;
    const bool horizontal = value == ssHorizontal || value == ssBoth;
    w->setVerticalScrollBarPolicy(vertical ? Qt::ScrollBarAlwaysOn : Qt::ScrollBarAlwaysOff);
    w->setHorizontalScrollBarPolicy(horizontal ? Qt::ScrollBarAlwaysOn : Qt::ScrollBarAlwaysOff);
}

void TMemo::SetWordWrap(bool value)
{
    FWordWrap = value;
    static_cast<QPlainTextEdit*>(ControlWidget(this))
        ->setLineWrapMode(value ? QPlainTextEdit::WidgetWidth : QPlainTextEdit::NoWrap);
}

void TMemo::SetReadOnly(bool value)
{
    FReadOnly = value;
    static_cast<QPlainTextEdit*>(ControlWidget(this))->setReadOnly(value);
}

int TMemo::SelStart() const
{
    const QTextCursor cursor = static_cast<QPlainTextEdit*>(ControlWidget(this))->textCursor();
    // Each break before the cursor is one position in the document, two in Text().
    return cursor.position() + cursor.blockNumber();
}

void TMemo::SetSelStart(int value)
{
    const std::string& text = FLines->Text();
    const size_t offset = std::min(static_cast<size_t>(std::max(0, value)), text.size());
    const auto& starts = FLines->FLineStarts;
    const auto it = std::upper_bound(starts.begin(), starts.end() - 1, offset);
    const size_t block = static_cast<size_t>(it - starts.begin()) - 1;
    const size_t column = std::min(offset - starts[block], starts[block + 1] - 2 - starts[block]);
    auto* w = static_cast<QPlainTextEdit*>(ControlWidget(this));
    QTextCursor cursor = w->textCursor();
    // A break is two characters in Text() and one position in the document.
    cursor.setPosition(static_cast<int>(starts[block] - block + column));
    w->setTextCursor(cursor);
}

void TMemo::ReplaceText(const std::string& text)
{
    auto* w = static_cast<QPlainTextEdit*>(ControlWidget(this));
    QString plain = Cp1251ToQString(text);
    plain.remove(QLatin1Char('\r'));
    FSilent = true;
    // One repaint for the whole text, not one per line.
    w->setUpdatesEnabled(false);
    w->setPlainText(plain);
    w->setUpdatesEnabled(true);
    FSilent = false;
}

std::string TMemo::ReadWidgetText() const
{
    auto* w = static_cast<QPlainTextEdit*>(ControlWidget(this));
    return QStringToCp1251(w->document()->toRawText(), true);
}

void TMemo::Change()
{
    if (OnChange) OnChange(this);
}
