// A drop-down list that keeps its items sorted by text, as a sorted combo box
// of the original platform does: each item is inserted at its sorted place.
#pragma once

#include <QComboBox>

class SortedComboBox : public QComboBox {
  Q_OBJECT

 public:
  explicit SortedComboBox(QWidget* parent = nullptr);

  // Inserts text at its sorted place (case-insensitive; after equal texts)
  // and returns that index.
  int AddSorted(const QString& text);
};
