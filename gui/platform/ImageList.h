// An image list: an ordered list of small icons of one size, addressed by
// index, as toolbars and list views use them. AppendIcon adds an icon
// resource at the end.
#pragma once

#include <QIcon>
#include <QSize>
#include <vector>

class ImageList {
 public:
  // Icons of cx x cy pixels; room for `initial` of them before it grows.
  ImageList(int cx, int cy, int initial);

  // Adds icon at the end and returns its index.
  int Add(const QIcon& icon);
  int Count() const { return static_cast<int>(icons.size()); }
  // The icon at index; a null icon for an index out of range (-1 = none).
  QIcon Icon(int index) const;
  QSize ImageSize() const { return size; }

 private:
  QSize size;
  std::vector<QIcon> icons;
};

// Loads icon resource `resource` at the list's image size and appends it.
// Returns its index, or -1 when the resource cannot be loaded (then nothing is
// added, and the next icon takes the free index).
int AppendIcon(ImageList& list, int resource);
