#include "toolkit/TestSupport.h"

#include <QAbstractScrollArea>
#include <QApplication>
#include <QDropEvent>
#include <QKeyEvent>
#include <QMimeData>
#include <QMouseEvent>
#include <QUrl>
#include <QWheelEvent>
#include <cstdlib>

#include "toolkit/CodePage_p.h"
#include "toolkit/ComCtrls_p.h"
#include "toolkit/Controls_p.h"
#include "toolkit/Forms.h"
#include "toolkit/Forms_p.h"
#include "toolkit/Graphics_p.h"

namespace {

Qt::MouseButtons gHeld = Qt::NoButton;

Qt::KeyboardModifiers ModifiersOf(TShiftState shift)
{
    Qt::KeyboardModifiers m = Qt::NoModifier;
    if (shift & ssShift) m |= Qt::ShiftModifier;
    if (shift & ssCtrl) m |= Qt::ControlModifier;
    if (shift & ssAlt) m |= Qt::AltModifier;
    return m;
}

Qt::MouseButton QtButton(TMouseButton button)
{
    switch (button) {
    case mbRight:
        return Qt::RightButton;
    case mbMiddle:
        return Qt::MiddleButton;
    default:
        return Qt::LeftButton;
    }
}

QWidget* TargetOf(TControl* control)
{
    QWidget* w = ControlWidget(control);
    if (auto* area = qobject_cast<QAbstractScrollArea*>(w)) return area->viewport();
    return w;
}

void SendMouse(TControl* control, QEvent::Type type, Qt::MouseButton button, TShiftState shift,
               int x, int y)
{
    QWidget* w = TargetOf(control);
    if (w == nullptr) return;
    const QPointF local(x, y);
    const QPointF global = w->mapToGlobal(local);
    QMouseEvent event(type, local, local, global, button, gHeld, ModifiersOf(shift));
    QApplication::sendEvent(w, &event);
}

void SendKey(QWidget* w, Qt::Key key, Qt::KeyboardModifiers mods, const QString& text)
{
    QKeyEvent press(QEvent::KeyPress, key, mods, text);
    QApplication::sendEvent(w, &press);
    QKeyEvent release(QEvent::KeyRelease, key, mods, text);
    QApplication::sendEvent(w, &release);
}

} // namespace

void InitTestApplication(int& argc, char** argv)
{
    if (QCoreApplication::instance() == nullptr) setenv("QT_QPA_PLATFORM", "offscreen", 0);
    // The toolkit's own application object, so that escaping exceptions reach the box.
    Application->Initialize(argc, argv);
}

void ProcessEvents()
{
    QCoreApplication::sendPostedEvents();
    QCoreApplication::sendPostedEvents(nullptr, QEvent::DeferredDelete);
    QCoreApplication::processEvents(QEventLoop::AllEvents);
}

void FlushPaints(TControl* control)
{
    if (control == nullptr) return;
    TControlBridge::PaintIfNeeded(control);
    if (auto* w = dynamic_cast<TWinControl*>(control))
        for (int i = 0; i < w->ControlCount(); ++i)
            FlushPaints(w->Controls(i));
}

void SimMouseDown(TControl* control, TMouseButton button, TShiftState shift, int x, int y)
{
    gHeld |= QtButton(button);
    SendMouse(control, QEvent::MouseButtonPress, QtButton(button), shift, x, y);
}

void SimMouseMove(TControl* control, TShiftState shift, int x, int y)
{
    SendMouse(control, QEvent::MouseMove, Qt::NoButton, shift, x, y);
}

void SimMouseUp(TControl* control, TMouseButton button, TShiftState shift, int x, int y)
{
    gHeld &= ~QtButton(button);
    SendMouse(control, QEvent::MouseButtonRelease, QtButton(button), shift, x, y);
}

void SimDoubleClick(TControl* control, TMouseButton button, TShiftState shift, int x, int y)
{
    SimMouseDown(control, button, shift, x, y);
    SimMouseUp(control, button, shift, x, y);
    gHeld |= QtButton(button);
    SendMouse(control, QEvent::MouseButtonDblClick, QtButton(button), shift, x, y);
    SimMouseUp(control, button, shift, x, y);
}

void SimMouseWheel(TControl* control, int steps, TShiftState shift, int x, int y)
{
    QWidget* w = TargetOf(control);
    if (w == nullptr || steps == 0) return;
    const QPointF local(x, y);
    QWheelEvent event(local, w->mapToGlobal(local), QPoint(), QPoint(0, 120 * steps), gHeld,
                      ModifiersOf(shift), Qt::NoScrollPhase, false);
    QApplication::sendEvent(w, &event);
}

void SimMouseLeave(TControl* control)
{
    QWidget* w = TargetOf(control);
    if (w == nullptr) return;
    QEvent event(QEvent::Leave);
    QApplication::sendEvent(w, &event);
}

TShiftState SimHeldButtons()
{
    return ShiftFromQt(Qt::NoModifier, gHeld);
}

namespace {

// Control given the focus, or without one the widget that has it (a field of a bar that is
// no control of its own).
QWidget* FocusTarget(TControl* control)
{
    if (control == nullptr) return QApplication::focusWidget();
    QWidget* w = ControlWidget(control);
    if (w != nullptr) w->setFocus(Qt::OtherFocusReason);
    return w;
}

} // namespace

void SimTypeText(TControl* control, const std::string& text)
{
    QWidget* w = FocusTarget(control);
    if (w == nullptr) return;
    const QString unicode = Cp1251ToQString(text);
    for (const QChar ch : unicode) {
        if (ch == QLatin1Char('\n')) {
            SendKey(w, Qt::Key_Return, Qt::NoModifier, QStringLiteral("\r"));
        } else if (ch == QLatin1Char('\r')) {
            continue;
        } else if (ch == QLatin1Char('\t')) {
            SendKey(w, Qt::Key_Tab, Qt::NoModifier, QStringLiteral("\t"));
        } else {
            const Qt::Key key = ch.isLetterOrNumber() || ch.isPunct() || ch.isSpace()
                                    ? static_cast<Qt::Key>(ch.toUpper().unicode())
                                    : Qt::Key_unknown;
            SendKey(w, key, Qt::NoModifier, QString(ch));
        }
    }
}

void SimKeyPress(TControl* control, TTestKey key, TShiftState shift)
{
    QWidget* w = control == nullptr ? QApplication::focusWidget() : ControlWidget(control);
    if (w == nullptr) return;
    Qt::Key qtKey = Qt::Key_unknown;
    QString text;
    switch (key) {
    case vkBack:
        qtKey = Qt::Key_Backspace;
        text = QStringLiteral("\b");
        break;
    case vkTab:
        qtKey = Qt::Key_Tab;
        text = QStringLiteral("\t");
        break;
    case vkReturn:
        qtKey = Qt::Key_Return;
        text = QStringLiteral("\r");
        break;
    case vkEscape:
        qtKey = Qt::Key_Escape;
        break;
    case vkPrior:
        qtKey = Qt::Key_PageUp;
        break;
    case vkNext:
        qtKey = Qt::Key_PageDown;
        break;
    case vkEnd:
        qtKey = Qt::Key_End;
        break;
    case vkHome:
        qtKey = Qt::Key_Home;
        break;
    case vkLeft:
        qtKey = Qt::Key_Left;
        break;
    case vkUp:
        qtKey = Qt::Key_Up;
        break;
    case vkRight:
        qtKey = Qt::Key_Right;
        break;
    case vkDown:
        qtKey = Qt::Key_Down;
        break;
    case vkDelete:
        qtKey = Qt::Key_Delete;
        break;
    }
    SendKey(w, qtKey, ModifiersOf(shift), text);
}

void SimShortCut(TControl* control, TShortCut shortCut)
{
    QWidget* w = FocusTarget(control);
    if (w == nullptr) return;
    const int code = shortCut & 0x0FFF;
    Qt::Key key = Qt::Key_unknown;
    QString text;
    if ((code >= 'A' && code <= 'Z') || (code >= '0' && code <= '9')) {
        key = static_cast<Qt::Key>(code);
        text = QString(QChar(code));
    } else if (code >= VK_F1 && code <= VK_F12) {
        key = static_cast<Qt::Key>(Qt::Key_F1 + (code - VK_F1));
    }
    Qt::KeyboardModifiers mods = Qt::NoModifier;
    if (shortCut & scShift) mods |= Qt::ShiftModifier;
    if (shortCut & scCtrl) {
        mods |= Qt::ControlModifier;
        // What a keyboard sends for Ctrl and a letter: a control character.
        if (code >= 'A' && code <= 'Z') text = QString(QChar(code - 'A' + 1));
    }
    if (shortCut & scAlt) mods |= Qt::AltModifier;
    SendKey(w, key, mods, text);
}

void SimActivateWindow(TControl* control)
{
    QWidget* w = ControlWidget(control);
    if (w == nullptr) return;
    w->window()->activateWindow();
    QApplication::processEvents();
}

bool SimDropFiles(TControl* control, const std::vector<std::string>& fileNames, int x, int y)
{
    QWidget* w = TargetOf(control);
    if (w == nullptr) return false;
    QMimeData data;
    QList<QUrl> urls;
    QStringList lines;
    for (const std::string& name : fileNames) {
        urls << QUrl::fromLocalFile(FileNameToQString(name));
        lines << urls.back().toString();
    }
    data.setUrls(urls);
    data.setText(lines.join(QLatin1Char('\n')));
    const QPointF pos(x, y);
    QDragEnterEvent enter(pos.toPoint(), Qt::CopyAction, &data, Qt::LeftButton, Qt::NoModifier);
    QApplication::sendEvent(w, &enter);
    if (!enter.isAccepted()) return false;
    QDragMoveEvent move(pos.toPoint(), Qt::CopyAction, &data, Qt::LeftButton, Qt::NoModifier);
    QApplication::sendEvent(w, &move);
    QDropEvent drop(pos, Qt::CopyAction, &data, Qt::LeftButton, Qt::NoModifier);
    QApplication::sendEvent(w, &drop);
    return drop.isAccepted();
}

uint32_t ControlPixel(const TControl* control, int x, int y)
{
    const TControlPrivate* priv = ControlPrivate(control);
    const int s = ImageScale(priv->image);
    if (!priv->painted || !priv->image.valid(x * s, y * s)) return 0xFFFFFFFF;
    return PixelToColor(priv->image.pixel(x * s, y * s));
}

bool TRecordingDialogProvider::ExecuteFileDialog(const TFileDialogRequest& request,
                                                 std::string& fileName)
{
    TShown shown;
    shown.Kind = TShown::FileDialog;
    shown.File = request;
    Shown.push_back(shown);
    if (FileAnswers.empty()) return false;
    const std::string answer = FileAnswers.front();
    FileAnswers.pop_front();
    if (answer.empty()) return false;
    fileName = answer;
    return true;
}

TModalResult TRecordingDialogProvider::Confirm(const TMessageBoxRequest& request)
{
    TShown shown;
    shown.Kind = TShown::Confirm;
    shown.Box = request;
    Shown.push_back(shown);
    if (ConfirmAnswers.empty()) return mrNo;
    const TModalResult answer = ConfirmAnswers.front();
    ConfirmAnswers.pop_front();
    return answer;
}

void TRecordingDialogProvider::Information(const TMessageBoxRequest& request)
{
    TShown shown;
    shown.Kind = TShown::Information;
    shown.Box = request;
    Shown.push_back(shown);
}

void TRecordingDialogProvider::Error(const TMessageBoxRequest& request)
{
    TShown shown;
    shown.Kind = TShown::Error;
    shown.Box = request;
    Shown.push_back(shown);
}

int TRecordingDialogProvider::Count(TShown::TKind kind) const
{
    int n = 0;
    for (const TShown& s : Shown)
        if (s.Kind == kind) ++n;
    return n;
}

std::string TRecordingDialogProvider::LastMessage(TShown::TKind kind) const
{
    for (auto it = Shown.rbegin(); it != Shown.rend(); ++it)
        if (it->Kind == kind) return it->Box.Message;
    return std::string();
}

bool TRecordingDialogProvider::ExecuteFieldsDialog(const TFieldsDialogRequest& request,
                                                   std::vector<std::string>& values)
{
    TShown shown;
    shown.Kind = TShown::FieldsDialog;
    shown.Fields = request;
    Shown.push_back(shown);
    while (!FieldsAnswers.empty()) {
        std::vector<std::string> answer = std::move(FieldsAnswers.front());
        FieldsAnswers.pop_front();
        if (answer.empty()) return false;
        const std::string refusal = request.Check ? request.Check(answer) : std::string();
        if (refusal.empty()) {
            values = std::move(answer);
            return true;
        }
        TShown error;
        error.Kind = TShown::Error;
        error.Box.Title = request.Title;
        error.Box.Message = refusal;
        error.Box.Type = mtError;
        Shown.push_back(error);
    }
    return false;
}

int TRecordingDialogProvider::ChooseMenuItem(const TMenuRequest& request)
{
    TShown shown;
    shown.Kind = TShown::Menu;
    shown.MenuShown = request;
    Shown.push_back(shown);
    if (MenuAnswers.empty()) return -1;
    const std::string answer = MenuAnswers.front();
    MenuAnswers.pop_front();
    for (size_t i = 0; i < request.Captions.size(); ++i)
        if (!answer.empty() && request.Captions[i] == answer) return static_cast<int>(i);
    return -1;
}

bool TRecordingDialogProvider::ExecutePickList(const TPickListRequest& request,
                                               std::vector<int>& chosen)
{
    TShown shown;
    shown.Kind = TShown::PickList;
    shown.Pick = request;
    Shown.push_back(shown);
    if (PickAnswers.empty()) return false;
    std::vector<int> answer = std::move(PickAnswers.front());
    PickAnswers.pop_front();
    if (answer.size() == 1 && answer[0] == -1) return false;
    chosen = std::move(answer);
    return true;
}

namespace {

TRect FromQRect(const QRect& r)
{
    return TRect{r.left(), r.top(), r.left() + r.width(), r.top() + r.height()};
}

} // namespace

TRect ListViewRowRect(const TListView* list, int row)
{
    auto* view = static_cast<TListViewBridge*>(ControlWidget(list));
    QAbstractItemModel* model = view->model();
    if (row < 0 || row >= model->rowCount() || model->columnCount() == 0) return TRect{};
    const QRect first = view->visualRect(model->index(row, 0));
    const QRect last = view->visualRect(model->index(row, model->columnCount() - 1));
    return FromQRect(first.united(last));
}

TRect ListViewRowsArea(const TListView* list)
{
    auto* view = static_cast<TListViewBridge*>(ControlWidget(list));
    return FromQRect(view->viewport()->rect());
}
