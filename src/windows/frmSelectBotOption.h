#pragma once
#include "support/HookUnt.h"

#include <QDialog>

#include <vector>

class QListWidget;
class QPushButton;

class TBot;
class TOptionCard;

// The "Get Bot Option" dialog: one of the robot's option cards, or none when cancelled.
extern THook<TOptionCard*(TBot& bot)> GetBotOption;

// The "Get Bot Option" dialog: a robot's option cards by name, one to choose.
class TfrmGetBotOption : public QDialog {
    Q_OBJECT
public:
    explicit TfrmGetBotOption(QWidget* parent = nullptr);

    void SetOptions(const std::vector<TOptionCard*>& options);
    // None when no card is selected.
    TOptionCard* SelectedOption() const;

protected:
    bool eventFilter(QObject* watched, QEvent* event) override;

private:
    void UpdateOkButton();

    QListWidget* lstOptions = nullptr;
    QPushButton* btnOk = nullptr;
    std::vector<TOptionCard*> FOptions;
};
