#include "gui/platform/SortedComboBox.h"

SortedComboBox::SortedComboBox(QWidget* parent) : QComboBox(parent) {}

int SortedComboBox::AddSorted(const QString& text) {
  int index = 0;
  while (index < count() && QString::compare(itemText(index), text, Qt::CaseInsensitive) <= 0)
    ++index;
  insertItem(index, text);
  return index;
}
