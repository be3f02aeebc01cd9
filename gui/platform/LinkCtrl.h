// A text with one link, standing in for the SysLink control. The text is given
// as markup: "<a>link</a>" with optional plain text before and after it. A
// left click released on the link reports clicked() (NM_CLICK); Enter or
// Return while the control has the focus reports returnPressed() (NM_RETURN).
#pragma once

#include <QString>
#include <QWidget>

class LinkCtrl : public QWidget {
  Q_OBJECT

 public:
  explicit LinkCtrl(const QString& markup, QWidget* parent = nullptr);

  void SetMarkup(const QString& markup);
  // The visible text, without markup.
  QString Text() const { return before + link + after; }
  // Where the link's text is drawn, in the control's coordinates.
  QRect LinkRect() const;

  QSize sizeHint() const override;

 signals:
  void clicked();
  void returnPressed();

 protected:
  void paintEvent(QPaintEvent* event) override;
  void mousePressEvent(QMouseEvent* event) override;
  void mouseReleaseEvent(QMouseEvent* event) override;
  void keyPressEvent(QKeyEvent* event) override;

 private:
  QString before;
  QString link;
  QString after;
};
