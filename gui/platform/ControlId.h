// Numeric control ids, as a dialog template gives them, and the lookup of a
// control by its id within a window (the code and the tests address controls
// this way).
#pragma once

#include <QWidget>

// The id of a control that has no id of its own (a plain label).
inline constexpr int kNoControlId = -1;

void SetControlId(QWidget* control, int id);
// The control's id; kNoControlId for a widget that has none.
int ControlId(const QWidget* control);

// The control with this id inside parent: its children and their children,
// but not the controls of a dialog nested in it (a page has its own ids).
// Null when there is none.
QWidget* Item(const QWidget* parent, int id);

template <class T>
T* Item(const QWidget* parent, int id) {
  return dynamic_cast<T*>(Item(parent, id));
}
