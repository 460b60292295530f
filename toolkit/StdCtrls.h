// Standard controls: push button, label, single-line edit field, and the multi-line
// text view with its line list that loads and saves files.
#pragma once

#include <cstddef>
#include <cstdint>
#include <functional>
#include <string>
#include <string_view>
#include <vector>

#include "toolkit/Classes.h"
#include "toolkit/Controls.h"
#include "toolkit/TextBuffer.h"

class TButton : public TWinControl
{
public:
    explicit TButton(TComponent* owner = nullptr);
    ~TButton() override;

    const std::string& Caption() const { return FCaption; }
    void SetCaption(const std::string& value);
    bool Default() const { return FDefault; }
    void SetDefault(bool value);
    // Runs OnClick, whether the button is visible or not.
    void Click() override;

    std::string ClassName() const override { return "TButton"; }

private:
    std::string FCaption;
    bool FDefault = false;
};

// A transparent caption painted over its parent.
class TLabel : public TGraphicControl
{
public:
    explicit TLabel(TComponent* owner = nullptr);
    ~TLabel() override;

    const std::string& Caption() const { return FCaption; }
    void SetCaption(const std::string& value);
    // On: the label takes the size of its caption.
    bool AutoSize() const { return FAutoSize; }
    void SetAutoSize(bool value);

    std::string ClassName() const override { return "TLabel"; }

protected:
    void ApplyFont() override;

private:
    void AdjustSize();

    std::string FCaption;
    bool FAutoSize = true;
};

class TEdit : public TWinControl
{
public:
    explicit TEdit(TComponent* owner = nullptr);
    ~TEdit() override;

    std::string Text() const;
    // Raises OnChange when the text differs, except while the control is loading.
    void SetText(const std::string& value);
    // The text the layout starts with; raises no OnChange.
    void SetInitialText(const std::string& value);
    int MaxLength() const { return FMaxLength; }
    void SetMaxLength(int value);
    bool ReadOnly() const { return FReadOnly; }
    void SetReadOnly(bool value);

    // After every change of the text by the user or by SetText at run time.
    TNotifyEvent OnChange;

    std::string ClassName() const override { return "TEdit"; }

protected:
    virtual void Change();

private:
    friend class TEditBridge;
    bool FSilent = false;
    int FMaxLength = 0;
    bool FReadOnly = false;
};

enum TScrollStyle : uint8_t { ssNone, ssHorizontal, ssVertical, ssBoth };

class TMemo;

// The text view's lines: the text's own lines, split at line breaks only (never at
// the view's wrap), CR LF between them, answered straight from the view's buffer.
class TMemoStrings : public TStrings
{
public:
    // The text view holds at most this many bytes; more fails to load.
    static constexpr size_t Capacity = size_t{1} << 30;
    // Line() returns at most this many characters of a line.
    static constexpr size_t MaxLineLength = 4096;

    explicit TMemoStrings(TMemo* memo) : FMemo(memo) {}

    // Every line, the last one left out when it is empty.
    int Count() const override;
    // At most MaxLineLength characters of line Index, without its line break.
    std::string_view Line(int index) const override;
    // Empties the view without a change event.
    void Clear();
    // Reads the file as bytes, turns lone LF and lone CR into CR LF, and unless that
    // equals the current text puts it (up to a NUL byte) into the view with one
    // OnChange. EFOpenError when the file cannot be read; "Text exceeds memo
    // capacity" (the view left empty) when it is longer than the memo's MaxLength.
    // FileName is the file system's own bytes, never cp1251.
    void LoadFromFile(const std::string& fileName);
    // Writes the whole text as cp1251 bytes, atomically: a temporary file beside the
    // target renamed over it. Anything but a regular file as target, and every
    // failure, raises EFCreateError and leaves the old file as it was.
    void SaveToFile(const std::string& fileName) const;
    // After LoadFromFile: the 0-based line a NUL byte cut the file's text at, else -1.
    int CutLine() const { return FCutLine; }
    // Moves on with every change of the text and never comes back to an earlier value, so
    // that what was worked out from the lines can be kept while it is unchanged.
    uint64_t Revision() const { return FBuffer.Revision(); }
    // The whole text, CR LF between lines (a copy).
    std::string Text() const { return FBuffer.Text(); }
    void SetText(const std::string& value);
    std::string ClassName() const override { return "TMemoStrings"; }

private:
    friend class TMemo;
    // Replaces the whole text; no change event, the undo history forgotten.
    void Assign(std::string text);
    bool Holds(std::string_view text) const;

    TMemo* FMemo = nullptr;
    int FCutLine = -1;
    TTextBuffer FBuffer;
    TTextHistory FHistory;
    // Count() is asked once per line by loops over the lines.
    mutable uint64_t FCountRevision = ~uint64_t{0};
    mutable int FCount = 0;
};

// Multi-line editable text view. Characters without a cp1251 byte become "?" as they
// are typed or pasted.
class TMemo : public TWinControl
{
public:
    explicit TMemo(TComponent* owner = nullptr);
    ~TMemo() override;

    TMemoStrings* Lines() const { return FLines.get(); }
    std::string Text() const { return FLines->Text(); }
    void SetText(const std::string& value) { FLines->SetText(value); }
    void Clear() { FLines->Clear(); }
    TScrollStyle ScrollBars() const { return FScrollBars; }
    void SetScrollBars(TScrollStyle value);
    bool WordWrap() const { return FWordWrap; }
    void SetWordWrap(bool value);
    bool ReadOnly() const { return FReadOnly; }
    void SetReadOnly(bool value);
    // Most bytes a load or SetText may put in; 0 means TMemoStrings::Capacity.
    size_t MaxLength() const { return FMaxLength; }
    void SetMaxLength(size_t value) { FMaxLength = value; }
    size_t EffectiveMaxLength() const
    {
        return FMaxLength == 0 || FMaxLength > TMemoStrings::Capacity ? TMemoStrings::Capacity
                                                                      : FMaxLength;
    }
    // Cursor position and selection, in characters of Text() (line breaks count two).
    int SelStart() const;
    void SetSelStart(int value);
    // The caret as a line and column of the buffer, without counting through the text;
    // SetCaretPos clamps, empties the selection and scrolls the caret into view.
    TTextPos CaretPos() const;
    void SetCaretPos(TTextPos pos);
    // The selection's other end; the caret's own place when nothing is selected.
    TTextPos AnchorPos() const;

    // The find bar: a field and a note laid over the top of the view's own area. Typing
    // in it selects the first match from where the caret was and counts the matches (in
    // steps, the note saying so until done); every visible match is marked; Return and
    // Shift+Return step; Escape closes it and gives the focus back to the text.
    void ShowFindBar();
    void CloseFindBar();
    bool FindBarVisible() const;
    bool FindBarFocused() const;
    // Setting the text searches as typing it does.
    std::string FindText() const;
    void SetFindText(const std::string& value);
    // Selects the next (Backwards: previous) match of the text last searched from the
    // caret, going round the end of the text when needed; false when there is none.
    // Works with the bar closed too.
    bool FindNext(bool backwards = false);
    // The bar's note (cp1251): the number of matches, that the search went round, or
    // what a query handler said.
    std::string FindNote() const;
    // Matches of the text in the whole text; -1 while they are counted.
    int FindMatchCount() const;
    // Asked first with every text the bar searches (Direction 0 as it is typed, 1 next,
    // -1 previous): below 0 leaves it to the plain-text search; otherwise the handler has
    // searched it itself, written Note, and answers 1 found or 0 not found.
    std::function<int(const std::string& text, int direction, std::string& note)> OnFindQuery;

    // After every edit by the user, and after a load or SetText replaced the text.
    TNotifyEvent OnChange;
    // After the caret moved, by the user or by SetSelStart; not while a load or SetText
    // replaces the text. An edit raises OnChange first, so this always sees the new text.
    TNotifyEvent OnCaretMove;

    std::string ClassName() const override { return "TMemo"; }

protected:
    virtual void Change();

private:
    friend class TMemoStrings;
    // The buffer was replaced as a whole: the view starts over at its top.
    void TextReplaced();

    std::unique_ptr<TMemoStrings> FLines;
    TScrollStyle FScrollBars = ssNone;
    bool FWordWrap = true;
    bool FReadOnly = false;
    size_t FMaxLength = 0;
};
