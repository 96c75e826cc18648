#include "windows/ModalDialogUnt.h"

#include <QApplication>
#include <QDialog>

THook<bool(QDialog&)> ShowModalDialog([](QDialog& dialog) { return dialog.exec() == QDialog::Accepted; });

QWidget* DialogParent() { return QApplication::activeWindow(); }

TWaitCursor::TWaitCursor() { QApplication::setOverrideCursor(Qt::WaitCursor); }

TWaitCursor::~TWaitCursor() { QApplication::restoreOverrideCursor(); }
