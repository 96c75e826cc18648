#include "windows/StandardDialogsUnt.h"

#include "windows/ModalDialogUnt.h"

#include <QApplication>
#include <QDesktopServices>
#include <QDir>
#include <QFileDialog>
#include <QFileInfo>
#include <QMessageBox>
#include <QPushButton>
#include <QUrl>

#include <vector>

namespace {

std::optional<std::string> RunFileDialog(const TFileDialogSetup& setup, QFileDialog::AcceptMode mode)
{
    QFileDialog dialog(DialogParent());
    dialog.setAcceptMode(mode);
    dialog.setFileMode(mode == QFileDialog::AcceptOpen ? QFileDialog::ExistingFile : QFileDialog::AnyFile);
    dialog.setNameFilter(QString::fromStdString(ToolkitFileFilter(setup.Filter)));
    dialog.setDefaultSuffix(QString::fromStdString(setup.DefaultExtension));
    dialog.setDirectory(QString::fromStdString(setup.Folder));
    if (!setup.FileName.empty())
        dialog.selectFile(QString::fromStdString(setup.FileName));
    if (dialog.exec() != QDialog::Accepted || dialog.selectedFiles().isEmpty())
        return std::nullopt;
    return dialog.selectedFiles().front().toStdString();
}

} // namespace

THook<TSaveAnswer(const std::string&)> AskSaveChanges([](const std::string& question) {
    QMessageBox box(QMessageBox::Question, QApplication::applicationName(), QString::fromStdString(question),
        QMessageBox::Save | QMessageBox::Discard | QMessageBox::Cancel, DialogParent());
    box.setDefaultButton(QMessageBox::Save);
    switch (box.exec()) {
    case QMessageBox::Save:
        return saSave;
    case QMessageBox::Discard:
        return saDiscard;
    default:
        return saCancel;
    }
});

THook<bool(const std::string&)> AskGoOn([](const std::string& warning) {
    QMessageBox box(QMessageBox::Warning, QApplication::applicationName(), QString::fromStdString(warning),
        QMessageBox::NoButton, DialogParent());
    QPushButton* goOn = box.addButton("&Go On", QMessageBox::AcceptRole);
    QPushButton* back = box.addButton("&Change It", QMessageBox::RejectRole);
    box.setDefaultButton(back);
    box.exec();
    return box.clickedButton() == goOn;
});

THook<bool(const std::string&)> AskRecover([](const std::string& question) {
    QMessageBox box(QMessageBox::Question, QApplication::applicationName(), QString::fromStdString(question),
        QMessageBox::NoButton, DialogParent());
    QPushButton* recover = box.addButton("&Recover", QMessageBox::AcceptRole);
    box.addButton("&Discard", QMessageBox::DestructiveRole);
    box.setDefaultButton(recover);
    box.exec();
    return box.clickedButton() == recover;
});

THook<std::optional<std::string>(const TFileDialogSetup&)> ChooseFileToOpen(
    [](const TFileDialogSetup& setup) { return RunFileDialog(setup, QFileDialog::AcceptOpen); });

THook<std::optional<std::string>(const TFileDialogSetup&)> ChooseFileToSave(
    [](const TFileDialogSetup& setup) { return RunFileDialog(setup, QFileDialog::AcceptSave); });

THook<bool(const std::string&)> OpenWithDesktop([](const std::string& fileName) {
    return QDesktopServices::openUrl(QUrl::fromLocalFile(QString::fromStdString(fileName)));
});

std::string ToolkitFileFilter(const std::string& filter)
{
    // "Name|pattern|Name|pattern": the toolkit shows the names, which carry their patterns.
    std::vector<std::string> parts;
    std::string::size_type start = 0;
    while (true) {
        auto bar = filter.find('|', start);
        parts.push_back(filter.substr(start, bar == std::string::npos ? std::string::npos : bar - start));
        if (bar == std::string::npos)
            break;
        start = bar + 1;
    }
    std::string result;
    for (std::size_t i = 0; i < parts.size(); i += 2) {
        if (!result.empty())
            result += ";;";
        result += parts[i];
    }
    return result;
}
