// An up-down control: two arrows, one above the other, that propose a change
// of one step to their owner, as the original platform's control does with
// its default range: the up arrow proposes -1, the down arrow +1. The control
// keeps no position and never writes its buddy's text; the owner decides what
// a step does.
//
// The buddy is the edit box it belongs to: the Up and Down keys pressed in the
// buddy propose the same changes as the arrows, and a click on an arrow puts
// the keyboard focus in the buddy. Holding an arrow repeats it.
#pragma once

#include <QPointer>
#include <QWidget>

class QToolButton;

class UpDownCtrl : public QWidget {
  Q_OBJECT

 public:
  explicit UpDownCtrl(QWidget* parent = nullptr);

  void SetBuddy(QWidget* buddy);
  QToolButton* UpArrow() const { return up; }
  QToolButton* DownArrow() const { return down; }

 signals:
  // A step was asked for: -1 (up arrow, Up key) or +1 (down arrow, Down key).
  void deltaPos(int delta);

 protected:
  bool eventFilter(QObject* watched, QEvent* event) override;
  void resizeEvent(QResizeEvent* event) override;

 private:
  QToolButton* up;
  QToolButton* down;
  QPointer<QWidget> buddy;
};
