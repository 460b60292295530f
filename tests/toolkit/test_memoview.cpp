// The text view's widget driven by real key, mouse and input-method events on the
// offscreen platform, as a user drives it.
#include <gtest/gtest.h>

#include <QApplication>
#include <QClipboard>
#include <QInputMethodEvent>
#include <QKeyEvent>
#include <QMenu>
#include <QScrollBar>
#include <QTest>

#include "toolkit/Controls_p.h"
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
