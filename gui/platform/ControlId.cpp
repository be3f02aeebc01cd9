#include "gui/platform/ControlId.h"

#include <QDialog>
#include <QVariant>

namespace {

constexpr char kIdProperty[] = "controlId";

QWidget* Find(const QWidget* parent, int id) {
  for (QObject* object : parent->children()) {
    auto* child = qobject_cast<QWidget*>(object);
    if (child == nullptr) continue;
    if (ControlId(child) == id) return child;
    if (qobject_cast<QDialog*>(child) != nullptr) continue;
    if (QWidget* found = Find(child, id)) return found;
  }
  return nullptr;
}

}  // namespace

void SetControlId(QWidget* control, int id) { control->setProperty(kIdProperty, id); }

int ControlId(const QWidget* control) {
  const QVariant id = control->property(kIdProperty);
  return id.isValid() ? id.toInt() : kNoControlId;
}

QWidget* Item(const QWidget* parent, int id) {
  return parent == nullptr || id == kNoControlId ? nullptr : Find(parent, id);
}
