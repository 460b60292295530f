// The text view's widget driven by real key, mouse and input-method events on the
// offscreen platform, as a user drives it.
#include <gtest/gtest.h>

#include <QApplication>
#include <QClipboard>
#include <QInputMethodEvent>
#include <QKeyEvent>
#include <QMenu>
#include <QMimeData>
#include <QScrollBar>
#include <QStyleOptionSlider>
#include <QTest>
#include <QTimer>
#include <random>

#include "tests/common/TextModel.h"
#include "toolkit/CodePage_p.h"
#include "toolkit/Controls_p.h"
#include "toolkit/Forms.h"
#include "toolkit/MemoView_p.h"
#include "toolkit/StdCtrls.h"
#include "toolkit/TestSupport.h"

namespace {

class MemoViewTest : public ::testing::Test
{
protected:
    void SetUp() override
    {
        memo.SetBounds(0, 0, 240, 160);
        memo.OnChange = [this](TObject*) { ++changes; };
        View()->show();
        ProcessEvents();
        View()->activateWindow();
        View()->setFocus();
    }

    TMemoView* View() const { return static_cast<TMemoView*>(ControlWidget(&memo)); }
    void Key(Qt::Key key, Qt::KeyboardModifiers mods = Qt::NoModifier,
             const QString& text = QString()) const
    {
        QKeyEvent press(QEvent::KeyPress, key, mods, text);
        QApplication::sendEvent(View(), &press);
    }
    // The vertical middle of visual row Row, in the viewport.
    int RowY(int row) const { return 2 + row * View()->RowHeight() + View()->RowHeight() / 2; }
    std::string Selected() const
    {
        QApplication::clipboard()->clear();
        Key(Qt::Key_C, Qt::ControlModifier);
        return QApplication::clipboard()->text().toStdString();
    }
    // A mouse event of Type at (X, Y) with Buttons held afterwards.
    void Mouse(QEvent::Type type, Qt::MouseButton button, Qt::MouseButtons held, int x, int y,
               Qt::KeyboardModifiers mods = Qt::NoModifier) const
    {
        QWidget* w = View()->viewport();
        const QPointF local(x, y);
        QMouseEvent event(type, local, local, w->mapToGlobal(local), button, held, mods);
        QApplication::sendEvent(w, &event);
    }
    void Click(int x, int y, Qt::KeyboardModifiers mods = Qt::NoModifier) const
    {
        Mouse(QEvent::MouseButtonPress, Qt::LeftButton, Qt::LeftButton, x, y, mods);
        Mouse(QEvent::MouseButtonRelease, Qt::LeftButton, Qt::NoButton, x, y, mods);
    }
    // Press, release, double click; the button stays down.
    void DoubleClickHeld(int x, int y) const
    {
        Click(x, y);
        Mouse(QEvent::MouseButtonDblClick, Qt::LeftButton, Qt::LeftButton, x, y);
    }
    void DragTo(int x, int y) const
    {
        Mouse(QEvent::MouseMove, Qt::NoButton, Qt::LeftButton, x, y);
    }
    void Release(int x, int y) const
    {
        Mouse(QEvent::MouseButtonRelease, Qt::LeftButton, Qt::NoButton, x, y);
    }
    void Commit(const QString& text) const
    {
        QInputMethodEvent event(QString(), {});
        event.setCommitString(text);
        QApplication::sendEvent(View(), &event);
    }

    TMemo memo;
    int changes = 0;
};

} // namespace

TEST_F(MemoViewTest, KeyboardSelectionClipboardAndUndoBackToTheLoadedText)
{
    const std::string loaded = "10:1\r\n20:0\r\n30:1";
    memo.SetText(loaded);
    changes = 0;
    Key(Qt::Key_End, Qt::ControlModifier);
    SimTypeText(&memo, "\n40:0");
    EXPECT_EQ(memo.Text(), loaded + "\r\n40:0");
    // Shift+Left over "40:0" and the break before it, Shift+Up into the line above.
    for (int i = 0; i < 5; ++i)
        Key(Qt::Key_Left, Qt::ShiftModifier);
    EXPECT_EQ(Selected(), "\n40:0");
    Key(Qt::Key_Home);
    Key(Qt::Key_Right, Qt::ControlModifier | Qt::ShiftModifier);
    EXPECT_EQ(Selected(), "30") << "Ctrl+Shift+Right takes the word";
    Key(Qt::Key_Up, Qt::ShiftModifier);
    EXPECT_EQ(Selected(), ":0\n") << "from the word's start up to the same place above";
    // Cut and paste it at the very end.
    Key(Qt::Key_X, Qt::ControlModifier);
    EXPECT_EQ(memo.Text(), "10:1\r\n2030:1\r\n40:0");
    Key(Qt::Key_End, Qt::ControlModifier);
    Key(Qt::Key_V, Qt::ControlModifier);
    const std::string edited = "10:1\r\n2030:1\r\n40:0:0\r\n";
    EXPECT_EQ(memo.Text(), edited);
    EXPECT_EQ(memo.Lines()->Count(), 3);
    const int edits = changes;
    EXPECT_EQ(edits, 5 + 2) << "one per key press, cut and paste";

    // Typing "40:0" is one step, the break before it another.
    int undos = 0;
    while (memo.Text() != loaded && undos < 20) {
        Key(Qt::Key_Z, Qt::ControlModifier);
        ++undos;
    }
    EXPECT_EQ(memo.Text(), loaded);
    EXPECT_EQ(undos, 4) << "paste, cut, typed word, break";
    Key(Qt::Key_Z, Qt::ControlModifier);
    EXPECT_EQ(memo.Text(), loaded) << "nothing before the load to undo";
    Key(Qt::Key_Y, Qt::ControlModifier);
    Key(Qt::Key_Y, Qt::ControlModifier);
    Key(Qt::Key_Z, Qt::ControlModifier | Qt::ShiftModifier);
    Key(Qt::Key_Z, Qt::ControlModifier | Qt::ShiftModifier);
    EXPECT_EQ(memo.Text(), edited);
    EXPECT_EQ(changes, edits + undos + 4) << "every undo and redo is an edit";
}

TEST_F(MemoViewTest, MouseDragDoubleClickAndShiftClickSelect)
{
    memo.SetText("alpha beta\r\ngamma\r\ndelta");
    // From the start of the first row to past the end of the second.
    SimMouseDown(&memo, mbLeft, 0, 1, RowY(0));
    SimMouseMove(&memo, 0, 60, RowY(1));
    SimMouseMove(&memo, 0, 1000, RowY(1));
    SimMouseUp(&memo, mbLeft, 0, 1000, RowY(1));
    EXPECT_EQ(Selected(), "alpha beta\ngamma");
    SimDoubleClick(&memo, mbLeft, 0, 8, RowY(0));
    EXPECT_EQ(Selected(), "alpha");
    SimMouseDown(&memo, mbLeft, 0, 1000, RowY(1));
    SimMouseUp(&memo, mbLeft, 0, 1000, RowY(1));
    SimMouseDown(&memo, mbLeft, ssShift, 1000, RowY(2));
    SimMouseUp(&memo, mbLeft, ssShift, 1000, RowY(2));
    EXPECT_EQ(Selected(), "\ndelta");
    EXPECT_EQ(memo.SelStart(), 24) << "the caret is where the Shift+click was";
}

TEST_F(MemoViewTest, DraggingPastTheBottomScrollsAndExtends)
{
    std::string text;
    for (int i = 0; i < 200; ++i)
        text += std::to_string(i) + ":1\r\n";
    memo.SetText(text);
    SimMouseDown(&memo, mbLeft, 0, 1, RowY(0));
    SimMouseMove(&memo, 0, 1, View()->viewport()->height() + 40);
    for (int i = 0; i < 40 && View()->FirstVisibleLine() < 20; ++i)
        QTest::qWait(60);
    SimMouseUp(&memo, mbLeft, 0, 1, View()->viewport()->height() + 40);
    EXPECT_GE(View()->FirstVisibleLine(), 20);
    EXPECT_GT(memo.SelStart(), 20 * 5) << "the selection followed the scroll";
}

TEST_F(MemoViewTest, InputMethodCommitsCyrillicAndMarksWhatCp1251Lacks)
{
    memo.SetText("1:");
    Key(Qt::Key_End, Qt::ControlModifier);
    changes = 0;
    QInputMethodEvent preedit(QStringLiteral("пр"), {});
    QApplication::sendEvent(View(), &preedit);
    EXPECT_EQ(memo.Text(), "1:") << "a composition is not text yet";
    EXPECT_EQ(changes, 0);
    Commit(QString::fromUtf8("Привет"));
    Commit(QString::fromUtf8("日本"));
    // A plain key event carrying Cyrillic types too.
    Key(Qt::Key_unknown, Qt::NoModifier, QString::fromUtf8("ё"));
    EXPECT_EQ(memo.Text(), "1:\xCF\xF0\xE8\xE2\xE5\xF2??\xB8");
    EXPECT_EQ(View()->RowText(0), QString::fromUtf8("1:Привет??ё")) << "the ? shows";
    EXPECT_EQ(changes, 3);
    // What an input method asks the widget for.
    QInputMethodQueryEvent query(Qt::ImSurroundingText | Qt::ImCursorPosition);
    QApplication::sendEvent(View(), &query);
    EXPECT_EQ(query.value(Qt::ImSurroundingText).toString(), QString::fromUtf8("1:Привет??ё"));
    EXPECT_EQ(query.value(Qt::ImCursorPosition).toInt(), 11);
}

TEST_F(MemoViewTest, WrapIsVisualOnlyAndScrollingStepsInTextLines)
{
    const std::string longLine = "0:1 " + std::string(100, 'x') + " tail words here";
    memo.SetText(longLine + "\r\n1:0\r\n");
    const int rows = 40;
    std::string shown;
    int wrapped = 0;
    for (int r = 0; r < rows; ++r) {
        const QString row = View()->RowText(r);
        if (row == QStringLiteral("1:0")) break;
        shown += row.toStdString();
        ++wrapped;
    }
    EXPECT_GT(wrapped, 2) << "the long line wraps into several rows";
    EXPECT_EQ(shown, longLine) << "the rows together are the line, nothing lost or added";
    EXPECT_EQ(memo.Lines()->Count(), 2);
    EXPECT_EQ(memo.Lines()->Line(0), longLine);
    memo.SetWordWrap(false);
    EXPECT_EQ(View()->RowText(0).toStdString(), longLine);
    EXPECT_EQ(View()->RowText(1), QStringLiteral("1:0"));
    memo.SetWordWrap(true);

    // 100000 lines: the scroll bar counts text lines, and keeps up with edits at the end.
    std::string many;
    for (int i = 0; i < 100'000; ++i)
        many += std::to_string(i) + ":0\r\n";
    memo.SetText(many);
    QScrollBar* bar = View()->verticalScrollBar();
    const int visible = bar->pageStep();
    EXPECT_EQ(bar->maximum(), 100'000 + 1 - visible);
    Key(Qt::Key_End, Qt::ControlModifier);
    EXPECT_EQ(View()->FirstVisibleLine(), bar->maximum());
    SimTypeText(&memo, "x\n\n");
    EXPECT_EQ(bar->maximum(), 100'000 + 3 - visible);
    EXPECT_EQ(bar->value(), bar->maximum()) << "the caret's line stays in view";
    Key(Qt::Key_Home, Qt::ControlModifier);
    EXPECT_EQ(bar->value(), 0);
    Key(Qt::Key_PageDown);
    EXPECT_EQ(bar->value(), visible - 1);
}

TEST_F(MemoViewTest, ReadOnlyMovesAndCopiesButDoesNotEdit)
{
    memo.SetText("ab\r\ncd");
    memo.SetReadOnly(true);
    changes = 0;
    SimTypeText(&memo, "zz");
    Key(Qt::Key_Backspace);
    Key(Qt::Key_End, Qt::ControlModifier | Qt::ShiftModifier);
    QApplication::clipboard()->setText(QStringLiteral("pasted"));
    Key(Qt::Key_V, Qt::ControlModifier);
    Key(Qt::Key_X, Qt::ControlModifier);
    EXPECT_EQ(memo.Text(), "ab\r\ncd");
    EXPECT_EQ(changes, 0);
    EXPECT_EQ(Selected(), "ab\ncd");

    struct Row
    {
        bool readOnly;
        bool select;
        std::vector<bool> enabled; // Undo Redo Cut Copy Paste Delete SelectAll
    } rows[] = {
        {true, true, {false, false, false, true, false, false, true}},
        {false, false, {false, false, false, false, true, false, true}},
        {false, true, {false, false, true, true, true, true, true}},
    };
    for (const Row& row : rows) {
        memo.SetReadOnly(row.readOnly);
        memo.SetSelStart(0);
        if (row.select) Key(Qt::Key_End, Qt::ControlModifier | Qt::ShiftModifier);
        QApplication::clipboard()->setText(QStringLiteral("pasted"));
        std::unique_ptr<QMenu> menu(View()->CreateContextMenu(nullptr));
        std::vector<bool> enabled;
        for (QAction* a : menu->actions())
            if (!a->isSeparator()) enabled.push_back(a->isEnabled());
        EXPECT_EQ(enabled, row.enabled) << row.readOnly << row.select;
    }
    // Delete from the menu removes the selection as one undoable edit.
    std::unique_ptr<QMenu> menu(View()->CreateContextMenu(nullptr));
    menu->actions()[6]->trigger();
    EXPECT_EQ(memo.Text(), "");
    Key(Qt::Key_Z, Qt::ControlModifier);
    EXPECT_EQ(memo.Text(), "ab\r\ncd");
}

// End used to ask Qt for the place at x = 1e9, which overflowed: the caret went to the
// row's start, so "#" typed after End landed at column 0 and Shift+End selected nothing.
TEST_F(MemoViewTest, EndAndHomeReachTheEndsOfTheRowOnWrappedAndPlainLines)
{
    std::string words;
    for (int i = 0; i < 40; ++i)
        words += "w" + std::to_string(10 + i) + " ";
    const std::string solid(20'000, 'x'); // wraps anywhere, across slices
    struct Row
    {
        const char* name;
        bool wrap;
        std::string line;
    } rows[] = {
        {"short, wrapped", true, "ab cd"},       {"short, plain", false, "ab cd"},
        {"words, wrapped", true, words},         {"words, plain", false, words},
        {"one long word, wrapped", true, solid},
    };
    for (const Row& row : rows) {
        SCOPED_TRACE(row.name);
        memo.SetWordWrap(row.wrap);
        memo.SetText(row.line + "\r\nnext");
        const std::string first = View()->RowText(0).toStdString();
        const bool wrapped = first.size() < row.line.size();
        // The end of a row the next row continues is before its last character.
        const size_t rowEnd = wrapped ? first.size() - 1 : first.size();
        Key(Qt::Key_Home, Qt::ControlModifier);
        Key(Qt::Key_End, Qt::ShiftModifier);
        EXPECT_EQ(Selected(), first.substr(0, rowEnd));
        Key(Qt::Key_Home, Qt::ControlModifier);
        Key(Qt::Key_End);
        SimTypeText(&memo, "#");
        const std::string text = memo.Text();
        const std::string edited = text.substr(0, text.find("\r\n"));
        EXPECT_EQ(edited.find('#'), rowEnd);
        EXPECT_EQ(edited.size(), row.line.size() + 1);
        if (!wrapped) {
            // From there Shift+Home selects back to the line's start.
            Key(Qt::Key_Home, Qt::ShiftModifier);
            EXPECT_EQ(Selected(), first + "#");
            continue;
        }
        // On the line's last row End is the line's end.
        memo.SetText(row.line + "\r\nnext");
        Key(Qt::Key_Home, Qt::ControlModifier);
        Key(Qt::Key_Down);
        while (memo.SelStart() < static_cast<int>(row.line.size()) - 200)
            Key(Qt::Key_PageDown);
        for (int i = 0; i < 400 && View()->RowText(0).toStdString() != "next"; ++i) {
            Key(Qt::Key_End);
            if (memo.SelStart() == static_cast<int>(row.line.size())) break;
            Key(Qt::Key_Down);
        }
        EXPECT_EQ(memo.SelStart(), static_cast<int>(row.line.size()));
    }
}

TEST_F(MemoViewTest, CtrlTabLeavesTheViewWhereTabTypes)
{
    TForm form;
    memo.SetParent(&form);
    auto* edit = new TEdit(&form);
    edit->SetParent(&form);
    edit->SetBounds(0, 170, 100, 20);
    form.Show();
    ProcessEvents();
    memo.SetText("a");
    View()->setFocus();
    ProcessEvents();
    struct Row
    {
        Qt::Key key;
        Qt::KeyboardModifiers mods;
    } rows[] = {{Qt::Key_Tab, Qt::ControlModifier},
                {Qt::Key_Backtab, Qt::ControlModifier | Qt::ShiftModifier},
                {Qt::Key_Tab, Qt::ControlModifier | Qt::ShiftModifier}};
    for (const Row& row : rows) {
        View()->setFocus();
        ASSERT_EQ(QApplication::focusWidget(), View());
        QKeyEvent press(QEvent::KeyPress, row.key, row.mods);
        QApplication::sendEvent(View(), &press);
        EXPECT_NE(QApplication::focusWidget(), View()) << row.key << " " << row.mods;
        EXPECT_EQ(memo.Text(), "a");
    }
    View()->setFocus();
    Key(Qt::Key_Tab, Qt::NoModifier, QStringLiteral("\t"));
    EXPECT_EQ(QApplication::focusWidget(), View());
    EXPECT_EQ(memo.Text(), "\ta");
    memo.SetParent(nullptr);
}

TEST_F(MemoViewTest, TripleClickSelectsTheLineAndDragsGrowByWholeWordsOrLines)
{
    memo.SetWordWrap(false);
    const int h = View()->RowHeight();
    (void)h;
    struct Row
    {
        const char* name;
        int clicks;     // 2 or 3
        int x, row;     // where
        int toX, toRow; // dragged to, or -1
        std::string selected;
    } rows[] = {
        {"triple click takes the line and its break", 3, 30, 1, -1, -1, "gamma delta\n"},
        {"the last line has no break", 3, 10, 2, -1, -1, "epsilon"},
        {"word drag down", 2, 45, 0, 60, 1, "beta\ngamma delta"},
        {"word drag up keeps the word", 2, 45, 0, 5, 0, "alpha beta"},
        {"word drag inside the word", 2, 45, 0, 48, 0, "beta"},
        {"line drag up", 3, 30, 1, 5, 0, "alpha beta\ngamma delta\n"},
        {"line drag down", 3, 30, 1, 5, 2, "gamma delta\nepsilon"},
    };
    for (const Row& row : rows) {
        SCOPED_TRACE(row.name);
        memo.SetText("alpha beta\r\ngamma delta\r\nepsilon");
        DoubleClickHeld(row.x, RowY(row.row));
        if (row.clicks == 3) {
            Release(row.x, RowY(row.row));
            Mouse(QEvent::MouseButtonPress, Qt::LeftButton, Qt::LeftButton, row.x + 1,
                  RowY(row.row));
        }
        int endX = row.x, endY = RowY(row.row);
        if (row.toRow >= 0) {
            endX = row.toX;
            endY = RowY(row.toRow);
            DragTo(endX, endY);
        }
        Release(endX, endY);
        EXPECT_EQ(Selected(), row.selected);
    }
    // A press soon after a double click but far from it is a plain click.
    memo.SetText("alpha beta\r\ngamma delta\r\nepsilon");
    DoubleClickHeld(45, RowY(0));
    Release(45, RowY(0));
    Click(5, RowY(2));
    EXPECT_EQ(Selected(), "");
    EXPECT_EQ(memo.SelStart(), 25);
}

// Every change of the selection, by mouse or keys, is the primary selection, read only
// when asked; a middle click pastes it where it is clicked.
TEST_F(MemoViewTest, SelectionIsThePrimarySelectionAndMiddleClickPastesIt)
{
    TMemoView::StandInPrimary = true;
    const auto primary = [] {
        ProcessEvents();
        const QMimeData* data = TMemoView::PrimarySelection();
        return data == nullptr ? std::string("<none>") : data->text().toStdString();
    };
    memo.SetWordWrap(false);
    const std::string text = "alpha beta\r\ngamma delta\r\nepsilon";
    struct Row
    {
        const char* name;
        std::function<void()> gesture;
        std::string selected;
    } rows[] = {
        {"Shift+Right", [&] { Key(Qt::Key_Right, Qt::ShiftModifier); }, "a"},
        {"Shift+Down", [&] { Key(Qt::Key_Down, Qt::ShiftModifier); }, "alpha beta\n"},
        {"Ctrl+A", [&] { Key(Qt::Key_A, Qt::ControlModifier); },
         "alpha beta\ngamma delta\nepsilon"},
        {"double click", [&] { SimDoubleClick(&memo, mbLeft, 0, 45, RowY(0)); }, "beta"},
        {"drag",
         [&] {
             SimMouseDown(&memo, mbLeft, 0, 1, RowY(1));
             SimMouseMove(&memo, 0, 1000, RowY(2));
             SimMouseUp(&memo, mbLeft, 0, 1000, RowY(2));
         },
         "gamma delta\nepsilon"},
    };
    for (const Row& row : rows) {
        SCOPED_TRACE(row.name);
        memo.SetText(text);
        memo.SetSelStart(0);
        TMemoView::SetPrimarySelection(nullptr);
        row.gesture();
        EXPECT_EQ(primary(), row.selected);
    }
    // Typing over the selection leaves the primary selection as it was selected.
    memo.SetText(text);
    SimDoubleClick(&memo, mbLeft, 0, 45, RowY(0));
    ProcessEvents();
    SimTypeText(&memo, "X");
    EXPECT_EQ(memo.Lines()->Line(0), "alpha X");
    EXPECT_EQ(primary(), "beta");
    // A middle click pastes it at the click, once; the caret ends after it.
    Mouse(QEvent::MouseButtonPress, Qt::MiddleButton, Qt::MiddleButton, 1000, RowY(2));
    Mouse(QEvent::MouseButtonRelease, Qt::MiddleButton, Qt::NoButton, 1000, RowY(2));
    EXPECT_EQ(memo.Lines()->Line(2), "epsilonbeta");
    // Another program's selection, with a character cp1251 lacks.
    auto* other = new QMimeData;
    other->setText(QString::fromUtf8("1\n日"));
    TMemoView::SetPrimarySelection(other);
    Mouse(QEvent::MouseButtonPress, Qt::MiddleButton, Qt::MiddleButton, 1, RowY(1));
    Mouse(QEvent::MouseButtonRelease, Qt::MiddleButton, Qt::NoButton, 1, RowY(1));
    EXPECT_EQ(memo.Text(), "alpha X\r\n1\r\n?gamma delta\r\nepsilonbeta");
    Key(Qt::Key_Z, Qt::ControlModifier);
    EXPECT_EQ(memo.Text(), "alpha X\r\ngamma delta\r\nepsilonbeta") << "one step";
    memo.SetReadOnly(true);
    Mouse(QEvent::MouseButtonPress, Qt::MiddleButton, Qt::MiddleButton, 1, RowY(1));
    Mouse(QEvent::MouseButtonRelease, Qt::MiddleButton, Qt::NoButton, 1, RowY(1));
    EXPECT_EQ(memo.Text(), "alpha X\r\ngamma delta\r\nepsilonbeta") << "read-only";
    TMemoView::SetPrimarySelection(nullptr);
    TMemoView::StandInPrimary = false;
}

namespace {

// A drag from another program (or a file manager) over the viewport and dropped at P.
bool DropOn(QWidget* w, QMimeData* data, QPoint p, Qt::KeyboardModifiers mods = Qt::NoModifier)
{
    QDragEnterEvent enter(p, Qt::CopyAction | Qt::MoveAction, data, Qt::LeftButton, mods);
    QApplication::sendEvent(w, &enter);
    if (!enter.isAccepted()) return false;
    QDragMoveEvent move(p, Qt::CopyAction | Qt::MoveAction, data, Qt::LeftButton, mods);
    QApplication::sendEvent(w, &move);
    QDropEvent drop(QPointF(p), Qt::CopyAction | Qt::MoveAction, data, Qt::LeftButton, mods);
    QApplication::sendEvent(w, &drop);
    return drop.isAccepted();
}

} // namespace

TEST_F(MemoViewTest, DroppedTextIsInsertedAndFilesAreLeftToTheWindow)
{
    memo.SetWordWrap(false);
    memo.SetText("alpha beta\r\ngamma");
    QMimeData text;
    text.setText(QString::fromUtf8("1\n日"));
    ASSERT_TRUE(DropOn(View()->viewport(), &text, QPoint(1000, RowY(1))));
    EXPECT_EQ(memo.Text(), "alpha beta\r\ngamma1\r\n?");
    EXPECT_EQ(Selected(), "1\n?") << "the dropped text is selected";
    Key(Qt::Key_Z, Qt::ControlModifier);
    EXPECT_EQ(memo.Text(), "alpha beta\r\ngamma") << "one step";

    QMimeData files;
    files.setUrls({QUrl::fromLocalFile(QStringLiteral("/tmp/capture.log"))});
    files.setText(QStringLiteral("file:///tmp/capture.log"));
    EXPECT_FALSE(DropOn(View()->viewport(), &files, QPoint(1000, RowY(1))));
    memo.SetReadOnly(true);
    EXPECT_FALSE(DropOn(View()->viewport(), &text, QPoint(1000, RowY(1))));
    EXPECT_EQ(memo.Text(), "alpha beta\r\ngamma");
}

// A press in the selection may start a drag of it; released where it was, it is a click.
TEST_F(MemoViewTest, APressInTheSelectionReleasedInPlacePlacesTheCaret)
{
    memo.SetWordWrap(false);
    memo.SetText("alpha beta\r\ngamma");
    SimDoubleClick(&memo, mbLeft, 0, 10, RowY(0));
    ASSERT_EQ(Selected(), "alpha");
    // Away from the double click, which a press near it would make a triple one.
    Click(28, RowY(0));
    EXPECT_EQ(Selected(), "");
    EXPECT_GT(memo.SelStart(), 1);
    EXPECT_LT(memo.SelStart(), 5);
}

// The bar used to count text lines only: a line taller than the view went by in one
// step, and a view that grew kept blank room below the text with text above it.
TEST_F(MemoViewTest, ScrollBarStepsThroughATallLineAndAGrownViewShowsNoBlankRows)
{
    std::string tall;
    for (int i = 0; i < 4000; ++i)
        tall += "w" + std::to_string(i % 1000) + " ";
    std::string after;
    for (int i = 0; i < 100; ++i)
        after += "\r\nz" + std::to_string(i);
    QScrollBar* bar = View()->verticalScrollBar();
    struct Row
    {
        const char* name;
        std::string text;
    } rows[] = {{"tall line last", "a\r\n" + tall},
                {"tall line in the middle", "a\r\n" + tall + after}};
    for (const Row& row : rows) {
        SCOPED_TRACE(row.name);
        memo.SetText(row.text);
        // Arrow clicks: one row each, into and through the tall line.
        TTextPos last = View()->TopPos();
        for (int i = 0; i < 30; ++i) {
            bar->triggerAction(QAbstractSlider::SliderSingleStepAdd);
            const TTextPos top = View()->TopPos();
            ASSERT_GT(top, last) << "step " << i;
            ASSERT_EQ(top.Line, 1u) << "step " << i;
            last = top;
        }
        // Dragging the thumb passes through the middle of the tall line.
        bar->triggerAction(QAbstractSlider::SliderToMinimum);
        bool middle = false;
        for (int value = 0; value <= bar->maximum(); value += std::max(1, bar->maximum() / 200)) {
            bar->setSliderPosition(value);
            const TTextPos top = View()->TopPos();
            middle |=
                top.Line == 1 && top.Column > tall.size() / 3 && top.Column < tall.size() * 2 / 3;
        }
        EXPECT_TRUE(middle);
        // At the end the last row is at the bottom, also after the view grows.
        Key(Qt::Key_End, Qt::ControlModifier);
        const int visible = (View()->viewport()->height() - 2) / View()->RowHeight();
        EXPECT_EQ(View()->RowsFromTop(1000), visible);
        memo.SetBounds(0, 0, 240, 400);
        ProcessEvents();
        const int grown = (View()->viewport()->height() - 2) / View()->RowHeight();
        EXPECT_EQ(View()->RowsFromTop(1000), grown);
        EXPECT_EQ(bar->value(), bar->maximum());
        const TTextPos before = View()->TopPos();
        bar->triggerAction(QAbstractSlider::SliderSingleStepSub);
        const TTextPos up = View()->TopPos();
        EXPECT_LT(up, before);
        EXPECT_EQ(View()->RowsFromTop(1000), grown + 1) << "one row up, not a jump";
        memo.SetBounds(0, 0, 240, 160);
        ProcessEvents();
    }
}

// Random gestures against a plain string: after each, the text is what the model
// predicts (undo and redo only need to give back an earlier text), the caret and anchor
// are places in it, and no blank room shows below the text while text is above the top.
TEST_F(MemoViewTest, RandomGesturesKeepTextCaretAndTopValid)
{
    const auto offsetOf = [](const std::vector<std::string>& lines, TTextPos p) {
        size_t offset = 0;
        for (size_t i = 0; i < p.Line; ++i)
            offset += lines[i].size() + 2;
        return offset + p.Column;
    };
    const auto lf = [](std::string s) {
        std::string out;
        for (size_t i = 0; i < s.size(); ++i)
            if (s.compare(i, 2, "\r\n") != 0) out += s[i];
        return out;
    };
    std::mt19937 rng(20240611);
    const auto pick = [&](int n) { return static_cast<int>(rng() % static_cast<unsigned>(n)); };
    for (const bool wrap : {true, false}) {
        for (const int size : {3, 300}) {
            SCOPED_TRACE(std::string(wrap ? "wrap " : "plain ") + std::to_string(size));
            memo.SetWordWrap(wrap);
            memo.SetBounds(0, 0, 240, 160);
            std::string model;
            for (int i = 0; i < size; ++i)
                model += (i ? "\r\n" : "") +
                         std::string(pick(3) == 0 ? 90 : pick(12), 'a' + i % 26) +
                         (pick(2) ? " x" : "");
            memo.SetText(model);
            std::vector<std::string> history{model};
            for (int step = 0; step < 600; ++step) {
                const std::vector<std::string> lines = ModelLines(model);
                const size_t caret = offsetOf(lines, View()->Caret());
                const size_t anchor = offsetOf(lines, View()->Anchor());
                const size_t a = std::min(caret, anchor), b = std::max(caret, anchor);
                const auto replace = [&](size_t from, size_t to, const std::string& with) {
                    model = model.substr(0, from) + with + model.substr(to);
                };
                const int x = pick(260) - 10, y = pick(180) - 10;
                const int gesture = pick(17);
                switch (gesture) {
                case 0: {
                    const Qt::Key keys[] = {Qt::Key_End,    Qt::Key_Home,    Qt::Key_Left,
                                            Qt::Key_Right,  Qt::Key_Up,      Qt::Key_Down,
                                            Qt::Key_PageUp, Qt::Key_PageDown};
                    Qt::KeyboardModifiers mods;
                    if (pick(2)) mods |= Qt::ShiftModifier;
                    if (pick(4) == 0) mods |= Qt::ControlModifier;
                    Key(keys[pick(8)], mods);
                    break;
                }
                case 1:
                    Key(Qt::Key_A, Qt::ControlModifier);
                    break;
                case 2:
                case 3: {
                    const std::string c(1, "ab #\xE9"[pick(5)]);
                    SimTypeText(&memo, c);
                    replace(a, b, c);
                    break;
                }
                case 4:
                    Key(Qt::Key_Delete);
                    if (a != b)
                        replace(a, b, "");
                    else if (a < model.size())
                        replace(a, a + (model.compare(a, 2, "\r\n") == 0 ? 2 : 1), "");
                    break;
                case 5:
                    Key(Qt::Key_Backspace);
                    if (a != b)
                        replace(a, b, "");
                    else if (a > 0)
                        replace(a - (a >= 2 && model.compare(a - 2, 2, "\r\n") == 0 ? 2 : 1), a,
                                "");
                    break;
                case 6: {
                    const std::string pasted = pick(2) ? "p\nq" : "r\r\ns\rt";
                    QApplication::clipboard()->setText(QString::fromStdString(pasted));
                    Key(Qt::Key_V, Qt::ControlModifier);
                    replace(a, b, ModelNormalise(pasted));
                    break;
                }
                case 7:
                    QApplication::clipboard()->clear();
                    Key(Qt::Key_X, Qt::ControlModifier);
                    if (a != b) {
                        EXPECT_EQ(QStringToCp1251(QApplication::clipboard()->text()),
                                  lf(model.substr(a, b - a)));
                        replace(a, b, "");
                    }
                    break;
                case 8:
                case 9:
                    Key(Qt::Key_Z, gesture == 8 ? Qt::ControlModifier
                                                : Qt::ControlModifier | Qt::ShiftModifier);
                    EXPECT_NE(std::find(history.begin(), history.end(), memo.Text()),
                              history.end());
                    model = memo.Text();
                    break;
                case 10:
                    Click(x, y, pick(3) == 0 ? Qt::ShiftModifier : Qt::NoModifier);
                    break;
                case 11:
                    DoubleClickHeld(x, y);
                    if (pick(2)) {
                        Release(x, y);
                        Mouse(QEvent::MouseButtonPress, Qt::LeftButton, Qt::LeftButton, x, y);
                    }
                    DragTo(pick(260), pick(180));
                    Release(pick(260), pick(180));
                    break;
                case 12:
                    Mouse(QEvent::MouseButtonPress, Qt::LeftButton, Qt::LeftButton, x, y);
                    DragTo(pick(260), pick(180));
                    Release(pick(260), pick(180));
                    break;
                case 13:
                    SimMouseWheel(&memo, pick(7) - 3, 0, 50, 50);
                    break;
                case 14:
                    memo.SetBounds(0, 0, 120 + pick(200), 60 + pick(200));
                    break;
                case 15:
                    View()->verticalScrollBar()->triggerAction(
                        pick(2) ? QAbstractSlider::SliderSingleStepAdd
                                : QAbstractSlider::SliderPageStepSub);
                    break;
                default:
                    View()->verticalScrollBar()->setSliderPosition(
                        pick(View()->verticalScrollBar()->maximum() + 1));
                    break;
                }
                ASSERT_EQ(memo.Text(), model) << "step " << step << " gesture " << gesture;
                if (history.back() != model) history.push_back(model);
                const std::vector<std::string> now = ModelLines(model);
                for (const TTextPos p : {View()->Caret(), View()->Anchor(), View()->TopPos()}) {
                    ASSERT_LT(p.Line, now.size())
                        << "step " << step << " gesture " << gesture << " caret "
                        << View()->Caret().Line << " anchor " << View()->Anchor().Line << " top "
                        << View()->TopPos().Line;
                    ASSERT_LE(p.Column, now[p.Line].size()) << "step " << step;
                }
                const int visible =
                    std::max(1, (View()->viewport()->height() - 2) / View()->RowHeight());
                if (View()->TopPos() != TTextPos{}) {
                    ASSERT_EQ(View()->RowsFromTop(visible), visible) << "step " << step;
                }
            }
        }
    }
}
