// The text view's find bar: a field and a note laid over the top of the view's text area,
// searching as it is typed, counting the matches in steps so that typing never waits for
// a long text, and telling the view which text to highlight.
#pragma once

#include <QBasicTimer>
#include <QElapsedTimer>
#include <QWidget>
#include <functional>
#include <memory>
#include <string>
#include <string_view>
#include <vector>

#include "toolkit/TextBuffer.h"
#include "toolkit/TextFind.h"

class QLabel;
class QLineEdit;
class TMemoView;

class TFindBar : public QWidget
{
public:
    TFindBar(TMemoView* view, TTextBuffer* buffer);
    ~TFindBar() override;

    void Open();
    void Close();
    std::string Text() const;
    void SetText(const std::string& text);
    // From the caret to the next (or previous) match of the last text searched.
    bool Step(bool backwards);
    std::string Note() const { return FNote; }
    // The text was replaced: the open bar counts its text again.
    void Recount();
    int Count() const { return FCount; }
    // The buffer goes away before the view: nothing may read it afterwards.
    void Detach()
    {
        FBuffer = nullptr;
        FCounting.stop();
    }

    // See TMemo::OnFindQuery.
    std::function<int(const std::string& text, int direction, std::string& note)> OnQuery;

protected:
    bool eventFilter(QObject* watched, QEvent* e) override;
    void timerEvent(QTimerEvent* e) override;

private:
    void Typed();
    // Direction 0: from where typing began, as the text grows.
    bool Search(int direction);
    // The typed text's search goes on in parts beside the count; true when it ended.
    bool SearchSome(size_t lines);
    void Select(TTextPos match, bool wrapped, bool backwards);
    void StartCount();
    void CountSome();
    void ShowNote();
    void Place();

    TMemoView* FView = nullptr;
    TTextBuffer* FBuffer = nullptr;
    QLineEdit* FField = nullptr;
    QLabel* FLabel = nullptr;
    // The last text searched, typed or stepped to.
    std::string FText;
    std::unique_ptr<TTextFinder> FFinder;
    // Where incremental search starts: the caret's place when the text began.
    TTextPos FOrigin;
    bool FHasOrigin = false;
    std::string FNote;
    // What the search step said (wrapped, not found), shown after the count.
    std::string FStepNote;
    int FCount = -1;
    // The search for the typed text is still going: lines searched so far.
    bool FSearching = false;
    size_t FSearchStep = 0;
    // The count runs over the buffer's pieces as they were at its start; an edit restarts it.
    QBasicTimer FCounting;
    std::vector<std::string_view> FPieces;
    size_t FPiece = 0;
    size_t FCounted = 0;
    uint64_t FCountRevision = 0;
};
