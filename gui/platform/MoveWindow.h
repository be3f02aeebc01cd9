// Places a control in its parent's coordinates. For a drop-down list the
// height given is that of the open list, as for a Windows combo box: the box
// itself keeps its own height and the open list shows as many items as fit.
#pragma once

class QWidget;

void MoveWindow(QWidget* control, int x, int y, int width, int height);
