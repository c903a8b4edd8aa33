// Unit and card connection.
#pragma once

#include "wizard/win32/property_page.h"

// Unit and card connection (137, 140): their texts are their dialogs'.
class CConnectionPage : public CWin32Page {
 public:
  using CWin32Page::CWin32Page;
};
