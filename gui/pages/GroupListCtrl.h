// The two-column property list of the information pages: label / value rows
// under titled group headings, some rows with a check or cross picture. It
// drives the page's list-view control (a QTreeWidget from the page's
// template) once SetupGroups has attached it.
//
// Groups appear in declaration order and the rows of a group in the order
// they were added, however the groups were interleaved while adding; a group
// without rows is not shown. The column header is hidden. Ctrl+C and the
// context menu's "Copy" put the selected rows on the clipboard, a row a line,
// label and value separated by a tab. A list without rows may show a note in
// their place.
#pragma once

#include <QRect>
#include <QString>
#include <string>
#include <vector>

#include "core/report/PropertyRows.h"
#include "gui/platform/ImageList.h"

class QLabel;
class QTreeWidget;
class QWidget;

class GroupListCtrl {
 public:
  // Makes the image list: the check (icon 140) at index 0, the cross (icon
  // 141) at index 1.
  GroupListCtrl();

  // Attaches the list to the page's list-view control `controlId` and
  // declares the groups: the i-th title becomes group i + 1.
  void SetupGroups(QWidget* page, int controlId, const std::vector<std::u16string>& titles);
  // Appends a row to group groupId; image indexes the image list, -1 = none.
  void AddRow(int groupId, const QString& label, const QString& value, int image);
  // Deletes every row; the groups stay declared.
  void ClearRows();
  // Clears the list and adds every row of groups, group i's rows to group
  // i + 1.
  void ShowRows(const PropertyGroups& groups);
  // Shows text in the middle of the list in place of rows; an empty text
  // shows nothing.
  void SetEmptyText(const QString& text);
  // The selected rows as text, in the order shown.
  QString SelectedRowsText() const;
  // Places the list in rect and shares its width between the columns,
  // leaving room for a vertical scroll bar.
  void FitToRect(const QRect& rect);

  QTreeWidget* View() const { return view; }
  const ImageList& Images() const { return images; }

 private:
  ImageList images;
  QTreeWidget* view = nullptr;
  QLabel* emptyText = nullptr;
};
