// Private side of forms and the application: the Qt application object that turns
// escaping exceptions into the error box, and the top-level window widget.
#pragma once

#include <QApplication>
#include <QCloseEvent>
#include <QWidget>

#include "toolkit/Controls_p.h"

class TPlatformApplication : public QApplication
{
public:
    TPlatformApplication(int& argc, char** argv);
    // The last line of defence: nothing escapes an event into Qt's own frames.
    bool notify(QObject* receiver, QEvent* event) override;
};

// Sees the keys and drags of every widget before the widget does, and hands window
// shortcuts and dropped files to the form the widget belongs to.
class TFormInputFilter : public QObject
{
public:
    using QObject::QObject;

protected:
    bool eventFilter(QObject* watched, QEvent* event) override;
};

class TFormWidget : public TInputForwarder<QWidget>
{
public:
    explicit TFormWidget(TControlPrivate* priv) : TInputForwarder<QWidget>(priv) {}
    // Nullptr once the form is going.
    TControl* Control() const { return FPriv->control; }

protected:
    void closeEvent(QCloseEvent* e) override;
    void resizeEvent(QResizeEvent* e) override;
    void moveEvent(QMoveEvent* e) override;
};
