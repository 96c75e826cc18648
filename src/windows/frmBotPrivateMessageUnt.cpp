#include "windows/frmBotPrivateMessageUnt.h"

#include <QApplication>
#include <QClipboard>
#include <QHBoxLayout>
#include <QPlainTextEdit>
#include <QPushButton>
#include <QVBoxLayout>

TfrmBotPrivateMessage::TfrmBotPrivateMessage(QWidget* parent)
    : QDialog(parent)
{
    setObjectName("frmBotPrivateMessage");
    setWindowTitle("Bot Private Message");
    mmoPrivateMessage = new QPlainTextEdit(this);
    mmoPrivateMessage->setObjectName("mmoPrivateMessage");
    mmoPrivateMessage->setVerticalScrollBarPolicy(Qt::ScrollBarAlwaysOn);
    btnCopy = new QPushButton("&Copy", this);
    btnCopy->setObjectName("btnCopy");
    btnCopy->setToolTip("Put the whole text on the clipboard");
    btnOK = new QPushButton("OK", this);
    btnOK->setObjectName("btnOK");
    btnOK->setDefault(true);
    connect(btnCopy, &QPushButton::clicked, this, &TfrmBotPrivateMessage::CopyText);
    connect(btnOK, &QPushButton::clicked, this, &QDialog::accept);

    auto* buttons = new QHBoxLayout;
    buttons->addStretch(1);
    buttons->addWidget(btnCopy);
    buttons->addWidget(btnOK);
    auto* layout = new QVBoxLayout(this);
    layout->addWidget(mmoPrivateMessage, 1);
    layout->addLayout(buttons);
    resize(420, 480);
}

void TfrmBotPrivateMessage::SetText(const std::string& text)
{
    QString shown = QString::fromStdString(text);
    shown.replace("\r\n", "\n").replace('\r', '\n');
    mmoPrivateMessage->setPlainText(shown);
}

void TfrmBotPrivateMessage::CopyText() { QApplication::clipboard()->setText(mmoPrivateMessage->toPlainText()); }

THook<void(const std::string&)> ShowPrivateMessage([](const std::string& text) {
    TfrmBotPrivateMessage window(QApplication::activeWindow());
    window.SetText(text);
    window.exec();
});
