// What the two list windows (the estimate index and the breakdown editor)
// share of their widgets: the row of command buttons, the page buttons on
// the bottom line, closing the frame they live in inside the main window,
// and window twips as a point on the screen.
#pragma once
#include "grid.h"

#include <QPoint>
#include <array>
#include <functional>

class QPushButton;
class QWidget;

namespace rz {

// Command1(0..11) in one row at `top`, each `width` x `height` twips at
// left(i), with its caption and tip; none where left(i) is negative.
std::array<QPushButton *, 12> makeCommandButtons(QWidget *parent, const ButtonText (&texts)[12],
                                                 const std::function<int(int)> &left, int top, int width, int height,
                                                 const std::function<void(int)> &click);
// Command2(0) "Up" and Command2(1) "Down", laid on the bottom line by placePageButtons.
std::array<QPushButton *, 2> makePageButtons(QWidget *parent, const std::function<void(int)> &click);
void placePageButtons(const std::array<QPushButton *, 2> &buttons, int bottomTwips);

// Inside the main window the frame closes, and with it the window.
void closeChildFrame(QWidget *window);
QPoint globalPointFromTwips(const QWidget *window, int x, int y);

}  // namespace rz
