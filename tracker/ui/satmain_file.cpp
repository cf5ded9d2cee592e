// The File, Tools and Help menu commands.
#include "optionform.h"
#include "satmain.h"

void TSatForm::MenuSaveSatCsvClick(QObject* Sender) {}
void TSatForm::MenuSaveAsClick(QObject* Sender) {}
void TSatForm::MenuExitClick(QObject* Sender) { close(); }
void TSatForm::MenuOptionsClick(QObject* Sender) {
  SetOptions();
  if (OptionForm) OptionForm->show();
}
void TSatForm::MenuUninstallClick(QObject* Sender) {}
void TSatForm::MenuAboutClick(QObject* Sender) {}
