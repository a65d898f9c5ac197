#include "gui/pages/BlankPage.h"

namespace kyp {

BlankPage::BlankPage(const QString& name, QWidget* parent) : QWidget(parent) { setObjectName(name); }

}  // namespace kyp
