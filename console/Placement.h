// Placing the password dialog over the main window.
//
// A window manager puts a new window where it likes, some time after the
// program has shown it; until then the program only knows where it asked for
// it. So the dialog waits until the main window is on screen (exposed, which
// the manager does after placing it) and is then centred on the window as it
// now stands.
#pragma once

#include <functional>

class QPoint;
class QSize;
class QWidget;

// Runs Aaction from the event loop once Awindow is exposed: at once when it
// already is, else after its first expose. Awindow is a top-level window
// that is being shown.
void whenExposed(QWidget& Awindow, std::function<void()> Aaction);

// Where a window whose inner area is AclientSize goes so that its frame is
// centred on Aowner's frame. Its own frame is not there before it is shown,
// so it is taken to be as wide as the owner's: one manager draws both.
QPoint centredOn(const QWidget& Aowner, QSize AclientSize);
