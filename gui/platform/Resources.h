// The program's pictures, looked up by their resource numbers: icons (drawn
// for each size they are used at) and bitmaps.
#pragma once

#include <QIcon>
#include <QPixmap>

// Icon resource `resource` with every size drawn for it; a null icon when the
// program has no such icon.
QIcon LoadIcon(int resource);
// Bitmap resource `resource`; a null pixmap when there is none.
QPixmap LoadBitmap(int resource);
