#include "toolkit/FindBar_p.h"

#include <QEvent>
#include <QKeyEvent>
#include <QLabel>
#include <QLineEdit>
#include <QTimerEvent>
#include <QVBoxLayout>
#include <algorithm>
#include <climits>
#include <map>

#include "toolkit/CodePage.h"
#include "toolkit/CodePage_p.h"
#include "toolkit/Controls_p.h"
#include "toolkit/MemoView_p.h"

namespace {

// A count step gives the event loop back after this long, so typing stays fluid.
constexpr qint64 kCountSliceMs = 8;
// Lines the search for a typed text reads before it lets typing go on (a few ms).
constexpr size_t kSearchSliceLines = 50000;

const std::string& Say(const char* utf8)
{
    // The few notes are made once; the map keeps them for the program's life.
    static std::map<const char*, std::string> texts;
    auto it = texts.find(utf8);
    if (it == texts.end()) it = texts.emplace(utf8, Utf8ToCp1251(utf8)).first;
    return it->second;
}

} // namespace

TFindBar::TFindBar(TMemoView* view, TTextBuffer* buffer)
    : QWidget(view), FView(view), FBuffer(buffer)
{
    setAutoFillBackground(true);
    setBackgroundRole(QPalette::Window);
    auto* layout = new QVBoxLayout(this);
    layout->setContentsMargins(2, 2, 2, 2);
    layout->setSpacing(1);
    FField = new QLineEdit(this);
    FLabel = new QLabel(this);
    FLabel->setWordWrap(true);
    layout->addWidget(FField);
    layout->addWidget(FLabel);
    FField->installEventFilter(this);
    view->installEventFilter(this);
    connect(FField, &QLineEdit::textChanged, this, [this] { GuardedCall([this] { Typed(); }); });
    hide();
}

TFindBar::~TFindBar() = default;

void TFindBar::Place()
{
    const QRect area = FView->viewport()->geometry();
    const int height = layout()->totalHeightForWidth(area.width());
    setGeometry(area.left(), area.top(), area.width(), std::min(height, area.height()));
}

void TFindBar::Open()
{
    FHasOrigin = false;
    show();
    raise();
    Place();
    FField->setFocus(Qt::ShortcutFocusReason);
    FField->selectAll();
    if (!FText.empty()) Typed();
}

void TFindBar::Close()
{
    FCounting.stop();
    FSearching = false;
    hide();
    FView->SetHighlight(std::string());
    FView->setFocus(Qt::OtherFocusReason);
}

std::string TFindBar::Text() const
{
    return QStringToCp1251(FField->text());
}

void TFindBar::SetText(const std::string& text)
{
    if (Text() == text) return Typed();
    FField->setText(Cp1251ToQString(text));
}

void TFindBar::Typed()
{
    if (FBuffer == nullptr) return;
    FText = Text();
    FStepNote.clear();
    FCounting.stop();
    FCount = -1;
    FFinder.reset();
    std::string note;
    if (OnQuery && OnQuery(FText, 0, note) >= 0) {
        // A query of events: the program reads it and says what it found.
        FView->SetHighlight(std::string());
        FNote = note;
        FLabel->setText(Cp1251ToQString(FNote));
        Place();
        return;
    }
    FFinder = std::make_unique<TTextFinder>(FText);
    FView->SetHighlight(isVisible() ? FText : std::string());
    if (!FHasOrigin) {
        FOrigin = std::min(FView->Caret(), FView->Anchor());
        FHasOrigin = true;
    }
    if (FFinder->Searchable()) {
        FSearching = true;
        FSearchStep = 0;
        SearchSome(kSearchSliceLines);
        StartCount();
    }
    ShowNote();
}

bool TFindBar::Step(bool backwards)
{
    if (FBuffer == nullptr || FText.empty()) return false;
    std::string note;
    if (OnQuery) {
        const int found = OnQuery(FText, backwards ? -1 : 1, note);
        if (found >= 0) {
            FNote = note;
            FLabel->setText(Cp1251ToQString(FNote));
            return found > 0;
        }
    }
    if (!FFinder) FFinder = std::make_unique<TTextFinder>(FText);
    // Counted to none in this very text: no need to read it all again.
    const bool none = FCount == 0 && FCountRevision == FBuffer->Revision();
    const bool found = !none && Search(backwards ? -1 : 1);
    if (none) FStepNote = Say("не найдено");
    if (found) FOrigin = std::min(FView->Caret(), FView->Anchor());
    if (FCount < 0 ? !FCounting.isActive() : FCountRevision != FBuffer->Revision()) StartCount();
    ShowNote();
    return found;
}

bool TFindBar::Search(int direction)
{
    FStepNote.clear();
    FSearching = false;
    if (!FFinder || !FFinder->Searchable()) return false;
    TTextPos from = FOrigin;
    if (direction > 0) from = std::max(FView->Caret(), FView->Anchor());
    if (direction < 0) from = std::min(FView->Caret(), FView->Anchor());
    TTextPos match;
    bool wrapped = false;
    if (!FFinder->Next(*FBuffer, from, direction < 0, match, wrapped)) {
        FStepNote = Say("не найдено");
        return false;
    }
    Select(match, wrapped, direction < 0);
    return true;
}

bool TFindBar::SearchSome(size_t lines)
{
    if (!FSearching || !FFinder) return true;
    TTextPos match;
    bool wrapped = false;
    switch (FFinder->NextPart(*FBuffer, FOrigin, false, match, wrapped, FSearchStep, lines)) {
    case TTextFinder::TPart::Unfinished:
        FStepNote = Say("ищу…");
        return false;
    case TTextFinder::TPart::NotFound:
        FStepNote = Say("не найдено");
        break;
    case TTextFinder::TPart::Found:
        FStepNote.clear();
        Select(match, wrapped, false);
        break;
    }
    FSearching = false;
    return true;
}

void TFindBar::Select(TTextPos match, bool wrapped, bool backwards)
{
    if (wrapped) FStepNote = Say(backwards ? "с конца" : "с начала");
    FView->SetCaret(match);
    FView->SetCaret(TTextPos{match.Line, match.Column + FFinder->Length()}, true);
}

void TFindBar::Recount()
{
    FStepNote.clear();
    FHasOrigin = false;
    if (!isVisible() || !FFinder || !FFinder->Searchable()) return;
    StartCount();
    ShowNote();
}

void TFindBar::StartCount()
{
    FCount = -1;
    FPieces = FBuffer->Pieces();
    FPiece = 0;
    FCounted = 0;
    FCountRevision = FBuffer->Revision();
    FCounting.start(0, this);
}

void TFindBar::CountSome()
{
    if (FBuffer == nullptr || !FFinder) return FCounting.stop();
    QElapsedTimer clock;
    clock.start();
    if (FSearching) {
        while (!SearchSome(kSearchSliceLines) && clock.elapsed() < kCountSliceMs) {
        }
        if (!FSearching) ShowNote();
    }
    if (FCount >= 0) {
        if (!FSearching) FCounting.stop();
        return;
    }
    // An edit made the pieces invalid: the count starts over on the new text.
    if (FBuffer->Revision() != FCountRevision) return StartCount();
    while (FPiece < FPieces.size() && clock.elapsed() < kCountSliceMs)
        FCounted += FFinder->CountIn(FPieces[FPiece++]);
    if (FPiece < FPieces.size()) return;
    if (!FSearching) FCounting.stop();
    FPieces.clear();
    FCount = static_cast<int>(std::min<size_t>(FCounted, INT_MAX));
    ShowNote();
}

void TFindBar::timerEvent(QTimerEvent* e)
{
    if (e->timerId() != FCounting.timerId()) return QWidget::timerEvent(e);
    GuardedCall([this] { CountSome(); });
}

void TFindBar::ShowNote()
{
    if (FText.empty())
        FNote.clear();
    else if (FFinder && !FFinder->Searchable())
        FNote = Say("не найдено");
    else if (FCount < 0)
        FNote = Say("считаю…");
    else
        FNote = Say("совпадений: ") + std::to_string(FCount);
    if (!FStepNote.empty() && !FText.empty()) FNote += ", " + FStepNote;
    FLabel->setText(Cp1251ToQString(FNote));
    if (isVisible()) Place();
}

bool TFindBar::eventFilter(QObject* watched, QEvent* e)
{
    if (watched == FView && e->type() == QEvent::Resize && isVisible()) Place();
    if (watched != FField || e->type() != QEvent::KeyPress) return false;
    auto* key = static_cast<QKeyEvent*>(e);
    switch (key->key()) {
    case Qt::Key_Escape:
        GuardedCall([this] { Close(); });
        return true;
    case Qt::Key_Return:
    case Qt::Key_Enter: {
        const bool backwards = (key->modifiers() & Qt::ShiftModifier) != 0;
        GuardedCall([this, backwards] { Step(backwards); });
        return true;
    }
    default:
        return false;
    }
}
