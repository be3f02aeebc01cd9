#include "gui/platform/Dialog.h"

#include <QKeyEvent>
#include <QMenuBar>
#include <QPainter>
#include <QPushButton>
#include <QVBoxLayout>

class Dialog::ClientArea : public QWidget {
 public:
  explicit ClientArea(Dialog* owner) : QWidget(owner), dialog(owner) {}

 protected:
  void resizeEvent(QResizeEvent*) override { dialog->OnSize(); }
  void paintEvent(QPaintEvent*) override {
    QPainter painter(this);
    dialog->OnPaint(painter);
  }
  void mouseReleaseEvent(QMouseEvent* event) override { dialog->OnLButtonUp(event); }

 private:
  Dialog* dialog;
};

Dialog::Dialog(const DialogTemplate* tmpl, QWidget* parent)
    : QDialog(parent), pendingTemplate(tmpl), client(new ClientArea(this)) {
  auto* layout = new QVBoxLayout(this);
  layout->setContentsMargins(0, 0, 0, 0);
  layout->setSpacing(0);
  layout->addWidget(client);
  client->setFont(DialogFont());
}

void Dialog::Build(const DialogTemplate& tmpl) {
  setWindowTitle(QString::fromUtf8(tmpl.caption));
  CreateControls(client, tmpl);
  client->resize(Units().ToPixels(tmpl.size));
  resize(client->size() +
         QSize(0, layout()->menuBar() ? layout()->menuBar()->sizeHint().height() : 0));
  built = true;
  if (OnInitDialog()) FocusFirstControl();
}

void Dialog::FocusFirstControl() {
  for (QObject* object : client->children()) {
    auto* control = qobject_cast<QWidget*>(object);
    if (control != nullptr && (control->focusPolicy() & Qt::TabFocus) && control->isEnabled()) {
      control->setFocus(Qt::OtherFocusReason);
      return;
    }
  }
}

const Dialog* Dialog::OwnerOf(const QWidget* control) {
  for (const QWidget* w = control->parentWidget(); w != nullptr; w = w->parentWidget())
    if (const auto* dialog = qobject_cast<const Dialog*>(w)) return dialog;
  return nullptr;
}

int Dialog::DoModal() {
  Create();
  setWindowModality(Qt::ApplicationModal);
  return exec();
}

void Dialog::Create() {
  if (built) return;
  const bool resizable = (pendingTemplate->style & kResizable) != 0;
  setWindowFlags(Qt::Dialog | Qt::WindowTitleHint | Qt::WindowSystemMenuHint |
                 Qt::WindowCloseButtonHint |
                 (resizable ? Qt::WindowMinMaxButtonsHint : Qt::WindowFlags{}));
  Build(*pendingTemplate);
  if (!resizable) setFixedSize(size());
}

void Dialog::CreateModeless(const DialogTemplate& tmpl, QWidget* parent) {
  setParent(parent, Qt::Widget);
  hide();
  Build(tmpl);
}

void Dialog::EndDialog(int result) { done(result); }

QWidget* Dialog::Client() const { return client; }

QRect Dialog::ClientRect() const { return client->rect(); }

DialogUnits Dialog::Units() const { return DialogUnits::ForFont(client->font()); }

void Dialog::accept() { OnOK(); }

void Dialog::reject() { OnCancel(); }

void Dialog::OnOK() { EndDialog(kIdOk); }

void Dialog::OnCancel() { EndDialog(kIdCancel); }

void Dialog::SetMenu(QMenuBar* menu) {
  layout()->setMenuBar(menu);
  menu->show();
}

void Dialog::keyPressEvent(QKeyEvent* event) {
  const bool plain = event->modifiers() == Qt::NoModifier ||
                     (event->modifiers() == Qt::KeypadModifier && event->key() == Qt::Key_Enter);
  if (event->key() == Qt::Key_Escape && event->modifiers() == Qt::NoModifier) {
    OnCancel();
    return;
  }
  if (plain && (event->key() == Qt::Key_Return || event->key() == Qt::Key_Enter)) {
    // Enter presses the focused push button, else it is OK.
    auto* button = qobject_cast<QPushButton*>(focusWidget());
    if (button != nullptr && OwnerOf(button) == this && button->isEnabled())
      button->click();
    else
      OnOK();
    return;
  }
  QDialog::keyPressEvent(event);
}
