// A tooltip for each row of a list box, or each cell of a list view: the text of the one under the
// mouse.
#pragma once

// clang-format off
#include <windows.h>
// clang-format on

#include <functional>
#include <string>

// One tool over the row (cell) under the mouse, moved as the mouse moves to another, so the
// tooltip shows again with that one's text after the usual pause. The text is asked for when the
// tooltip shows. A list view's own info tips would do for it on Windows, but Wine shows none.
class CListRowTips {
 public:
  // The row's text (for a list view, the cell's in that column), UTF-8; empty shows no tooltip.
  using FText = std::function<std::string(int row, int column)>;

  CListRowTips() = default;
  ~CListRowTips();
  CListRowTips(const CListRowTips&) = delete;
  CListRowTips& operator=(const CListRowTips&) = delete;

  void Attach(HWND tips, HWND list, FText text);

 private:
  static LRESULT CALLBACK Subclass(HWND list, UINT message, WPARAM wParam, LPARAM lParam, UINT_PTR id, DWORD_PTR self);
  void Detach();
  void Track(LPARAM point);
  // The cell under the point and its rectangle; row -1 when there is none.
  int CellAt(POINT point, int& column, RECT& place) const;

  HWND m_tips = nullptr;
  HWND m_list = nullptr;
  FText m_text;
  bool m_listView = false;
  int m_row = -1;
  int m_column = 0;
  std::wstring m_shown;  // the text the tooltip was given, alive while it shows
};
