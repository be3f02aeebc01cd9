#include "gui/platform/ImageList.h"

#include "gui/platform/Resources.h"

ImageList::ImageList(int cx, int cy, int initial) : size(cx, cy) {
  icons.reserve(static_cast<std::size_t>(initial));
}

int ImageList::Add(const QIcon& icon) {
  icons.push_back(icon);
  return Count() - 1;
}

QIcon ImageList::Icon(int index) const {
  return index >= 0 && index < Count() ? icons[static_cast<std::size_t>(index)] : QIcon();
}

int AppendIcon(ImageList& list, int resource) {
  const QIcon icon = LoadIcon(resource);
  if (icon.isNull()) return -1;
  // Keep only the picture drawn for this size, so that every list shows the
  // same crisp 16 x 16 image whatever sizes the resource has.
  QIcon sized;
  sized.addPixmap(icon.pixmap(list.ImageSize()));
  return list.Add(sized);
}
