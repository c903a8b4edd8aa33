// The unit and card connection pages.
#include "wizard/pages/page_connection.h"

#include <QLabel>
#include <QVBoxLayout>

CPropertyPageConnection::CPropertyPageConnection(CPageLogic& logic, const CResourceSource& resources)
    : CPropertyPage_(logic, resources) {
  auto* layout = new QVBoxLayout(this);
  layout->addWidget(new QLabel(Text("connect")));
  layout->addStretch();
  layout->addWidget(new QLabel(Text("ready")));
}
