// The Welcome page (which job) and the conversion-mode page (which direction): a radio group each,
// bound to a field of the shared state.
#pragma once

#include "wizard/logic/page_logic.h"

// A radio group shown as the 0-based position of its checked button, -1 when none is checked
// (a value outside the group checks none). The face reports the user's choice with Choose and
// shows Choice() whenever the view is refreshed (part kChoice); the choice reaches the shared
// state only as the page is left, by Next or by Back.
class CChoicePageLogic : public CPageLogic {
 public:
  enum EPart : unsigned { kChoice = 1 };

  int Choice() const { return m_choice; }
  void Choose(int choice) { m_choice = choice; }
  void DoDataExchange(bool toFields) override;

 protected:
  CChoicePageLogic(CWizardState& state, int pageId, int titleId, int& field, int buttons);

 private:
  int& m_field;
  int m_buttons;
  int m_choice = 0;
};

// Welcome (129): the job; Next goes to the unit connection page for a conversion and to the card
// connection page for a map transfer. Only Next is offered: this is the first page.
class CWelcomeLogic : public CChoicePageLogic {
 public:
  explicit CWelcomeLogic(CWizardState& state);
  int OnWizardNext() override;
};

// Conversion mode (130): the direction (to the unit, to the desktop product, or any of their files
// to GPX); Next and Back keep their default neighbours.
class CSelectModeLogic : public CChoicePageLogic {
 public:
  explicit CSelectModeLogic(CWizardState& state);
};
