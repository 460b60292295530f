#include "toolkit/Forms.h"

#include <QBackingStore>
#include <QBuffer>
#include <QDropEvent>
#include <QFontMetrics>
#include <QGuiApplication>
#include <QImage>
#include <QKeyEvent>
#include <QMimeData>
#include <QPainter>
#include <QPalette>
#include <QUrl>
#include <algorithm>
#include <cerrno>
#include <cmath>
#include <cstdio>

#include "toolkit/CodePage.h"
#include "toolkit/CodePage_p.h"
#include "toolkit/Dialogs.h"
#include "toolkit/Forms_p.h"
#include "toolkit/Graphics_p.h"
#include "toolkit/SysUtils.h"
#include "toolkit/TextFile.h"

namespace {

TApplication gApplication;

TForm* FormOf(QObject* watched)
{
    auto* widget = qobject_cast<QWidget*>(watched);
    if (widget == nullptr) return nullptr;
    auto* window = dynamic_cast<TFormWidget*>(widget->window());
    return window != nullptr ? dynamic_cast<TForm*>(window->Control()) : nullptr;
}

// The virtual-key code of a Qt key; 0 for keys no shortcut names.
uint16_t VirtualKey(int key)
{
    if ((key >= Qt::Key_A && key <= Qt::Key_Z) || (key >= Qt::Key_0 && key <= Qt::Key_9))
        return static_cast<uint16_t>(key);
    if (key >= Qt::Key_F1 && key <= Qt::Key_F12)
        return static_cast<uint16_t>(VK_F1 + (key - Qt::Key_F1));
    switch (key) {
    case Qt::Key_Backspace:
        return 8;
    case Qt::Key_Tab:
        return 9;
    case Qt::Key_Return:
    case Qt::Key_Enter:
        return 13;
    case Qt::Key_Escape:
        return 27;
    case Qt::Key_Space:
        return 32;
    case Qt::Key_Up:
        return 38;
    case Qt::Key_Down:
        return 40;
    case Qt::Key_Insert:
        return 45;
    case Qt::Key_Delete:
        return 46;
    default:
        return 0;
    }
}

bool FormShortCut(QObject* watched, QKeyEvent* e)
{
    TForm* form = FormOf(watched);
    if (form == nullptr || !form->OnShortCut) return false;
    // A key the focused control ignores travels on to its parents: ask only once, when it
    // reaches its first receiver.
    QWidget* window = static_cast<QWidget*>(watched)->window();
    QWidget* first = window->focusWidget() != nullptr ? window->focusWidget() : window;
    if (watched != first) return false;
    const uint16_t key = VirtualKey(e->key());
    if (key == 0) return false;
    TShiftState shift = ShiftFromQt(e->modifiers(), Qt::NoButton);
    bool handled = false;
    GuardedCall([&] { form->OnShortCut(form, ShortCut(key, shift), handled); });
    if (handled) e->accept();
    return handled;
}

std::vector<std::string> LocalFiles(const QMimeData* data)
{
    std::vector<std::string> names;
    if (data == nullptr || !data->hasUrls()) return names;
    for (const QUrl& url : data->urls())
        // The name as the file system has it, as the file dialogs hand names over.
        if (url.isLocalFile()) names.push_back(QStringToFileName(url.toLocalFile()));
    return names;
}

bool FormDrag(QObject* watched, QEvent* e)
{
    TForm* form = FormOf(watched);
    if (form == nullptr || !form->OnDropFiles) return false;
    auto* drop = static_cast<QDropEvent*>(e);
    const std::vector<std::string> names = LocalFiles(drop->mimeData());
    if (names.empty()) return false;
    drop->acceptProposedAction();
    if (e->type() == QEvent::Drop) GuardedCall([&] { form->OnDropFiles(form, names); });
    return true;
}

} // namespace

bool TFormInputFilter::eventFilter(QObject* watched, QEvent* event)
{
    switch (event->type()) {
    case QEvent::KeyPress:
        return FormShortCut(watched, static_cast<QKeyEvent*>(event));
    case QEvent::DragEnter:
    case QEvent::DragMove:
    case QEvent::Drop:
        return FormDrag(watched, event);
    default:
        return false;
    }
}

TApplication* Application = &gApplication;

// ---- platform application

TPlatformApplication::TPlatformApplication(int& argc, char** argv) : QApplication(argc, argv) {}

bool TPlatformApplication::notify(QObject* receiver, QEvent* event)
{
    try {
        return QApplication::notify(receiver, event);
    } catch (...) {
        Application->HandleException(std::current_exception());
        return false;
    }
}

// ---- form widget

void TFormWidget::closeEvent(QCloseEvent* e)
{
    // The form decides in Close(); Qt only hides what Close() hides.
    e->ignore();
    if (auto* form = dynamic_cast<TForm*>(FPriv->control)) GuardedCall([form] { form->Close(); });
}

void TFormWidget::resizeEvent(QResizeEvent* e)
{
    TInputForwarder<QWidget>::resizeEvent(e);
    TControl* c = FPriv->control;
    if (c == nullptr || (width() == c->Width() && height() == c->Height())) return;
    TControlBridge::WidgetResized(c, c->Left(), c->Top(), width(), height());
}

void TFormWidget::moveEvent(QMoveEvent* e)
{
    TInputForwarder<QWidget>::moveEvent(e);
    TControl* c = FPriv->control;
    if (c == nullptr || (x() == c->Left() && y() == c->Top())) return;
    TControlBridge::WidgetResized(c, x(), y(), c->Width(), c->Height());
}

// ---- TForm

TForm::TForm(TComponent* owner) : TWinControl(owner)
{
    auto* widget = new TFormWidget(Private());
    // Drags over controls that take none reach the window, and so OnDropFiles.
    widget->setAcceptDrops(true);
    TControlBridge::Attach(this, widget);
    SetVisible(false);
    Font()->SetName("MS Sans Serif");
    Font()->SetHeight(-11);
    SetColor(clBtnFace);
    ApplyColor();
    SetBounds(0, 0, 320, 240);
}

TForm::~TForm()
{
    Private()->control = nullptr;
    if (Application != nullptr) Application->FormDestroyed(this);
}

void TForm::SetCaption(const std::string& value)
{
    FCaption = value;
    ControlWidget(this)->setWindowTitle(Cp1251ToQString(value));
}

void TForm::SetFileNameCaption(const std::string& fileName)
{
    FCaption = fileName;
    ControlWidget(this)->setWindowTitle(FileNameToQString(fileName));
}

void TForm::SetFileNameCaption(const std::string& fileName, const std::string& suffix)
{
    FCaption = fileName + suffix;
    ControlWidget(this)->setWindowTitle(FileNameToQString(fileName) + Cp1251ToQString(suffix));
}

void TForm::ApplyColor()
{
    QWidget* w = ControlWidget(this);
    if (w == nullptr) return;
    QPalette palette = w->palette();
    palette.setColor(QPalette::Window, QColor::fromRgb(ColorToPixel(Color())));
    w->setPalette(palette);
    w->setAutoFillBackground(true);
}

void TForm::AfterConstruction()
{
    if (FCreated) return;
    FCreated = true;
    try {
        DoCreate();
    } catch (...) {
        Application->HandleException(std::current_exception());
    }
}

void TForm::DoCreate()
{
    if (OnCreate) OnCreate(this);
}

void TForm::Close()
{
    TCloseAction action = caHide;
    if (OnClose) OnClose(this, action);
    if (action == caNone) return;
    Hide();
    if (IsMainForm()) Application->Terminate();
}

void TForm::ShowForm()
{
    Show();
    QWidget* w = ControlWidget(this);
    // The offscreen platform has no stacking and says so on every call.
    if (QGuiApplication::platformName() != QLatin1String("offscreen")) {
        w->raise();
        w->activateWindow();
    }
    if (OnShow) OnShow(this);
}

bool TForm::IsMainForm() const
{
    return Application->MainForm() == this;
}

int TForm::TextHeight() const
{
    return QFontMetrics(ToQFont(*Font())).height();
}

void TForm::ScaleBy(int m, int d)
{
    if (m == d || d == 0) return;
    DisableAlign();
    for (int i = 0; i < ControlCount(); ++i)
        Controls(i)->ChangeScale(m, d);
    SetClientWidth(MulDiv(ClientWidth(), m, d));
    SetClientHeight(MulDiv(ClientHeight(), m, d));
    EnableAlign();
}

void TForm::GrabImage(TBitmap& bitmap)
{
    QWidget* w = ControlWidget(this);
    const bool wasVisible = w->isVisible();
    if (!wasVisible) {
        // Children of a hidden window are not drawn; show it without a screen.
        w->setAttribute(Qt::WA_DontShowOnScreen, true);
        Show();
    }
    QImage image = w->grab().toImage().convertToFormat(QImage::Format_RGB32);
    if (!wasVisible) {
        Hide();
        w->setAttribute(Qt::WA_DontShowOnScreen, false);
    }
    // The window's size in layout pixels at the screen's density: at a whole device pixel
    // ratio every device pixel is kept one for one, and the picture's geometry is the window's.
    const qreal ratio = image.devicePixelRatio();
    const int scale = std::max(1, static_cast<int>(std::ceil(ratio - 1e-6)));
    bitmap.SetPixelRatio(scale);
    bitmap.SetSize(w->width(), w->height());
    QPainter painter(&BitmapImage(bitmap));
    painter.setCompositionMode(QPainter::CompositionMode_Source);
    if (ratio != scale) painter.setRenderHint(QPainter::SmoothPixmapTransform);
    painter.drawImage(QRect(0, 0, bitmap.Width(), bitmap.Height()), image);
}

void TForm::SaveImage(const std::string& fileName)
{
    QWidget* w = ControlWidget(this);
    const bool wasVisible = w->isVisible();
    if (!wasVisible) {
        w->setAttribute(Qt::WA_DontShowOnScreen, true);
        Show();
    }
    // Drawn straight into the one picture that is written: no pixmap, no converted copy
    // and no bitmap beside it (a 16384-pixel square is 1 GiB a copy). A shown window's
    // own backing store already is that picture once repainted: it is written as it is.
    QByteArray png;
    QBackingStore* store = wasVisible ? w->backingStore() : nullptr;
    auto* shown = store != nullptr ? dynamic_cast<QImage*>(store->paintDevice()) : nullptr;
    if (shown != nullptr && shown->size() == w->size() && !shown->hasAlphaChannel()) {
        w->repaint();
        QBuffer buffer(&png);
        buffer.open(QIODevice::WriteOnly);
        if (!shown->save(&buffer, "PNG")) png.clear();
    } else {
        QImage image(w->size(), QImage::Format_RGB32);
        if (!image.isNull()) {
            w->render(&image);
            QBuffer buffer(&png);
            buffer.open(QIODevice::WriteOnly);
            if (!image.save(&buffer, "PNG")) png.clear();
        }
    }
    if (!wasVisible) {
        Hide();
        w->setAttribute(Qt::WA_DontShowOnScreen, false);
    }
    if (png.isEmpty()) throw EFCreateError(fileName, ENOMEM);
    WriteTextFile(fileName, {std::string_view(png.constData(), static_cast<size_t>(png.size()))});
}

// ---- TApplication

TApplication::TApplication() = default;

TApplication::~TApplication()
{
    // Forms need the platform application, which lives on until the process ends.
    DestroyForms();
}

void TApplication::Initialize(int& argc, char** argv)
{
    if (QCoreApplication::instance() == nullptr) {
        // Never deleted: widgets of late static objects may still need it at exit.
        new TPlatformApplication(argc, argv);
    }
    CheckCodePageSupport();
    QApplication::setQuitOnLastWindowClosed(false);
    static QPointer<TFormInputFilter> inputFilter;
    if (inputFilter == nullptr) {
        inputFilter = new TFormInputFilter(QCoreApplication::instance());
        QCoreApplication::instance()->installEventFilter(inputFilter);
    }
    FParams.clear();
    for (int i = 0; i < argc; ++i)
        FParams.push_back(QStringToCp1251(QString::fromLocal8Bit(argv[i])));
    FExeName = FParams.empty() ? std::string() : FParams.front();
    FTitle = TitleFromExeName(FExeName);
    FTerminated = false;
}

std::string TApplication::ParamStr(int index) const
{
    if (index < 0 || index >= static_cast<int>(FParams.size())) return std::string();
    return FParams[static_cast<size_t>(index)];
}

void TApplication::RegisterForm(TForm* form)
{
    if (FMainForm == nullptr) FMainForm = form;
}

void TApplication::FormDestroyed(TForm* form)
{
    if (FMainForm == form) FMainForm = nullptr;
}

void TApplication::DestroyForms()
{
    for (int i = ComponentCount() - 1; i >= 0; --i)
        if (auto* form = dynamic_cast<TForm*>(Components(i))) delete form;
}

void TApplication::Run()
{
    if (FMainForm != nullptr && !FTerminated) {
        FMainForm->ShowForm();
        if (!FTerminated && QCoreApplication::instance() != nullptr) QApplication::exec();
    }
    DestroyForms();
}

void TApplication::ProcessMessages()
{
    QCoreApplication::processEvents(QEventLoop::AllEvents);
}

void TApplication::Terminate()
{
    FTerminated = true;
    QCoreApplication::exit(0);
}

std::string TApplication::TitleFromExeName(const std::string& exeName)
{
    const size_t slash = exeName.find_last_of("/\\");
    std::string name = slash == std::string::npos ? exeName : exeName.substr(slash + 1);
    name = name.substr(0, name.find('.'));
    if (name.empty()) return name;
    QString text = Cp1251ToQString(name);
    text = text.left(1) + text.mid(1).toLower();
    return QStringToCp1251(text);
}

std::string TApplication::ExceptionBoxText(const std::string& message)
{
    if (!message.empty() && static_cast<unsigned char>(message.back()) > '.') return message + ".";
    return message;
}

void TApplication::ShowException(const std::exception& e)
{
    const auto* fileError = dynamic_cast<const EFileError*>(&e);
    ShowErrorBox(ExceptionBoxText(e.what()),
                 fileError != nullptr ? fileError->FileName() : std::string());
}

void TApplication::HandleException(std::exception_ptr e)
{
    if (FInHandler) {
        // The error box itself failed: there is nobody left to tell but stderr.
        try {
            std::rethrow_exception(e);
        } catch (const std::exception& inner) {
            std::fprintf(stderr, "%s\n", inner.what());
        } catch (...) {
            std::fprintf(stderr, "Unknown exception\n");
        }
        return;
    }
    FInHandler = true;
    try {
        try {
            std::rethrow_exception(e);
        } catch (const std::exception& ex) {
            ShowException(ex);
        } catch (...) {
            ShowErrorBox("Unknown exception.");
        }
    } catch (...) {
        HandleException(std::current_exception());
    }
    FInHandler = false;
}
