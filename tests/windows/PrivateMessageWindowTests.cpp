#include "windows/frmBotPrivateMessageUnt.h"
#include "windows/UiWindowTestUtils.h"

#include <gtest/gtest.h>

#include <QApplication>
#include <QClipboard>
#include <QPlainTextEdit>
#include <QPushButton>
#include <QTextBlock>
#include <QTimer>

TEST(PrivateMessageWindow, ShowsTheLinesAndCopiesTheWholeText)
{
    TfrmBotPrivateMessage window;
    window.SetText("Alice\r\nTurn 3 (Spin Bot)\r\n\r\nU-Turn  [Register 4 *LOCKED*]\r\n");
    auto* box = Control<QPlainTextEdit>(window, "mmoPrivateMessage");
    ASSERT_NE(box, nullptr);
    EXPECT_EQ(box->blockCount(), 5);
    EXPECT_EQ(box->document()->findBlockByNumber(3).text(), "U-Turn  [Register 4 *LOCKED*]");

    QApplication::clipboard()->setText("something else");
    Control<QPushButton>(window, "btnCopy")->click();
    EXPECT_EQ(QApplication::clipboard()->text(), "Alice\nTurn 3 (Spin Bot)\n\nU-Turn  [Register 4 *LOCKED*]\n");

    window.SetText("");
    EXPECT_EQ(box->toPlainText(), "");
}

// Shown modally under its title, with the text as given.
TEST(PrivateMessageWindow, ShowPrivateMessageIsModal)
{
    std::string title, text;
    QTimer::singleShot(0, [&] {
        QWidget* modal = QApplication::activeModalWidget();
        ASSERT_NE(modal, nullptr);
        title = modal->windowTitle().toStdString();
        text = modal->findChild<QPlainTextEdit*>("mmoPrivateMessage")->toPlainText().toStdString();
        modal->findChild<QPushButton*>("btnOK")->click();
    });
    ShowPrivateMessage("Line 1\r\nLine 2\r\n");
    EXPECT_EQ(title, "Bot Private Message");
    EXPECT_EQ(text, "Line 1\nLine 2\n");
}
