// What the information window's links do. They are wired to their labels in
// InfoForm.cpp; the shortcut and shell helpers they call come in their own
// change, and until then a click on a link does nothing.

#include "info/InfoForm.h"

namespace kelvara {

void TInfoForm::lblURLClick(QObject* /*sender*/) {}

void TInfoForm::lblMailClick(QObject* /*sender*/) {}

void TInfoForm::LblExeNameClick(QObject* /*sender*/) {}

void TInfoForm::LblLaunchOnStartupClick(QObject* /*sender*/) {}

void TInfoForm::LblOpenStartupClick(QObject* /*sender*/) {}

void TInfoForm::Label1Click(QObject* /*sender*/) {}

} // namespace kelvara
