// A tab control: a row of tabs over a frame. It only shows the tabs; the
// window that owns it places the pages inside its display area, as a tab
// control's owner does.
#pragma once

#include <QWidget>

class QTabBar;

class TabCtrl : public QWidget {
  Q_OBJECT

 public:
  explicit TabCtrl(QWidget* parent = nullptr);

  // Inserts a tab at index and returns the index it got.
  int InsertItem(int index, const QString& text);
  int GetItemCount() const;
  int GetCurSel() const;
  void SetCurSel(int index);
  QString ItemText(int index) const;
  QTabBar* Bar() const { return bar; }

  // The display area that a window rectangle of the control leaves for a
  // page (larger = false), or the window rectangle around a display area
  // (larger = true). Both in the control's coordinates.
  QRect AdjustRect(bool larger, const QRect& rect) const;

 signals:
  // The user selected another tab (TCN_SELCHANGE).
  void selChange();

 protected:
  void paintEvent(QPaintEvent* event) override;
  void resizeEvent(QResizeEvent* event) override;

 private:
  int BarHeight() const;

  QTabBar* bar;
};
