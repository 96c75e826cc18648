#pragma once
#include "session/BoardEditorRulesUnt.h"
#include "support/HookUnt.h"

#include <QDialog>
#include <QWidget>

#include <functional>
#include <memory>

class QComboBox;
class QKeyEvent;
class QLabel;
class QPushButton;
class QScrollArea;

class TBoardList;

// The board square editor on the catalogue, modal. Node changes are made in the catalogue at
// once; when the window closes with changes not saved, the game master saves or drops them.
// Every board's cached picture is released afterwards.
extern THook<void(TBoardList& boards)> EditBoards;

// The board's picture with the test chit, stretched into the control with its proportions kept.
class TBoardEditorImage : public QWidget {
    Q_OBJECT
public:
    TBoardEditorImage(const TBoardEditor& editor, QWidget* parent);

    // Shows a changed part of the picture again, and only that part.
    void ShowPicturePart(const QRect& part);
    // Where the picture shows within the control.
    QRect PictureRect() const;

protected:
    void paintEvent(QPaintEvent* event) override;

private:
    const TBoardEditor& FEditor;
};

class TfrmEditBoard : public QDialog {
    Q_OBJECT
public:
    explicit TfrmEditBoard(TBoardList& boards, QWidget* parent = nullptr);
    ~TfrmEditBoard() override;

    TBoardEditor& Editor() const { return *FEditor; }

    // Closing: changes not saved are saved, dropped or kept open, as the game master answers.
    void reject() override;

protected:
    void keyPressEvent(QKeyEvent* event) override;
    bool eventFilter(QObject* watched, QEvent* event) override;

private:
    void CreateControls();
    void FillBoards();
    // A key of the chosen scheme; false for any other key, which goes on to the control.
    bool HandleKey(const QKeyEvent& event);
    // Runs an edit and shows the part of the picture it changed.
    void Edit(const std::function<QRect()>& edit);
    void UpdateUneditedLabel();
    void UpdateCaption();
    void ApplyZoom();
    bool ConfirmClose();

    void cbxBoardsChange();
    void cbxControlsChange();
    void btnSaveBoardListClick();

    std::unique_ptr<TBoardEditor> FEditor;
    bool FUpdating = false;

    QComboBox* cbxBoards = nullptr;
    QComboBox* cbxControls = nullptr;
    QLabel* lblUnedited = nullptr;
    QScrollArea* scrImage = nullptr;
    TBoardEditorImage* Image1 = nullptr;
    QPushButton* btnZoomIn = nullptr;
    QPushButton* btnZoomOut = nullptr;
    QPushButton* btnSaveBoardList = nullptr;
};
