// A tooltip for each row of a list box: the text of the row under the mouse.
#pragma once

// clang-format off
#include <windows.h>
// clang-format on

#include <functional>
#include <string>

// One tool over the row under the mouse, moved as the mouse moves to another row, so the tooltip
// shows again with that row's text after the usual pause. The text is asked for when the tooltip
// shows.
class CListRowTips {
 public:
  // The row's text, UTF-8; empty shows no tooltip.
  using FText = std::function<std::string(int row)>;

  CListRowTips() = default;
  ~CListRowTips();
  CListRowTips(const CListRowTips&) = delete;
  CListRowTips& operator=(const CListRowTips&) = delete;

  void Attach(HWND tips, HWND list, FText text);

 private:
  static LRESULT CALLBACK Subclass(HWND list, UINT message, WPARAM wParam, LPARAM lParam, UINT_PTR id, DWORD_PTR self);
  void Detach();
  void Track(LPARAM point);

  HWND m_tips = nullptr;
  HWND m_list = nullptr;
  FText m_text;
  int m_row = -1;
  std::wstring m_shown;  // the text the tooltip was given, alive while it shows
};
