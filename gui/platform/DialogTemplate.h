// Dialog templates: one table per window, in dialog units, as the windows of
// this program are described. A template's rectangles are starting values;
// each window lays out its controls in pixels on every size change.
//
// Dialog units become pixels through the dialog font's base units:
// x = du * baseX / 4 and y = du * baseY / 8, with baseX the font's average
// character width and baseY its height.
#pragma once

#include <QFont>
#include <QRect>
#include <QSize>
#include <vector>

class QWidget;

// The kind of control a template line creates.
enum class ControlKind {
  Static,       // QLabel
  PushButton,   // QPushButton
  ComboBox,     // QComboBox (drop-down list)
  ListView,     // QTreeWidget in report style, without root decoration
  TabControl,   // TabCtrl
  SysLink,      // LinkCtrl
  RadioButton,  // QRadioButton; the radio buttons of one window form one group
  CheckBox,     // QCheckBox (automatic check box)
  ProgressBar,  // QProgressBar, range 0 to 100, without text
};

// Control styles a template line may carry.
enum ControlStyle : unsigned {
  kTabStop = 1u << 0,
  kRightAligned = 1u << 1,     // static text
  kNoColumnHeader = 1u << 2,   // list view
  kSingleSelection = 1u << 3,  // list view; without it several rows may be selected
  kBorder = 1u << 4,           // list view
};

// Window styles of a template.
enum DialogStyle : unsigned {
  kChildWindow = 1u << 0,  // a page inside another window, created hidden
  kResizable = 1u << 1,    // a sizing frame with minimise and maximise boxes
};

struct ControlTemplate {
  int id;
  ControlKind kind;
  const char* text;  // label, button text or link markup; "" for none
  unsigned style;    // ControlStyle bits
  QRect rect;        // dialog units: x, y, width, height
  // Makes the control when its class is one of the program's own (for
  // example the drive list); null for the kind's plain widget.
  QWidget* (*create)(QWidget* parent) = nullptr;
};

struct DialogTemplate {
  int id;
  QSize size;           // client area in dialog units
  const char* caption;  // window title; "" for pages
  unsigned style;       // DialogStyle bits
  std::vector<ControlTemplate> controls;
};

template <class T>
QWidget* MakeControl(QWidget* parent) {
  return new T(parent);
}

// The font of every dialog: the desktop's UI font at 8 points.
QFont DialogFont();

// The base units of a font and the conversion of dialog units to pixels.
struct DialogUnits {
  int baseX;
  int baseY;

  static DialogUnits ForFont(const QFont& font);
  QRect ToPixels(const QRect& du) const;
  QSize ToPixels(const QSize& du) const;
};

// Creates the template's controls as children of parent, in template order
// (which is also the tab order), each with its id, and places them at their
// template rectangles.
void CreateControls(QWidget* parent, const DialogTemplate& dialog);
