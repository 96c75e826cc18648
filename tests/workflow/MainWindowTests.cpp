#include "model/BoardUnt.h"
#include "model/ChitUnt.h"
#include "model/BotUnt.h"
#include "model/GameUnt.h"
#include "model/OptionUnt.h"
#include "model/ProgramUnt.h"
#include "support/ErrorsUnt.h"
#include "support/LogUnt.h"
#include "support/NotifyUnt.h"
#include "support/RandomUnt.h"
#include "support/UtilsUnt.h"
#include "workflow/ApplicationUnt.h"
#include "workflow/MainWindowRulesUnt.h"
#include "workflow/MethodTraceUnt.h"
#include "workflow/frmMainUnt.h"
#include "common/TestFiles.h"

#include <gtest/gtest.h>

#include <QAction>
#include <QApplication>
#include <QComboBox>
#include <QDir>
#include <QFile>
#include <QGroupBox>
#include <QLabel>
#include <QLineEdit>
#include <QListWidget>
#include <QMenu>
#include <QMenuBar>
#include <QMouseEvent>
#include <QPlainTextEdit>
#include <QPushButton>
#include <QSpinBox>
#include <QTabWidget>
#include <QTemporaryDir>
#include <QToolBar>

#include <algorithm>
#include <fstream>
#include <iterator>
#include <memory>
#include <regex>
#include <string>
#include <vector>

namespace {

// The reference files start-up reads, in the order it reads them.
const std::vector<std::string> ReferenceFiles = {
    "CoreProgramDeck.xml", "BaseGameOptionDeck.xml", "BoltsAndBlastersOptionDeck.xml", "Boards.xml", "Chits.xml"};
// What the hidden rebuild writes.
const std::vector<std::string> RebuiltFiles = {
    "ProgramDeck.xml", "BaseOptionDeck.xml", "BoltsAndBlastersOptionDeck.xml", "Boards.xml", "Chits.xml"};


bool FileExists(const std::string& fileName) { return QFile::exists(QString::fromStdString(fileName)); }

// The messages of a log file, timestamps dropped.
std::vector<std::string> LogMessages(const std::string& fileName)
{
    static const std::regex line(R"(\d{4}-\d{2}-\d{2} \d{2}:\d{2}:\d{2}:\d{3}   ([^\r\n]*)\r\n)");
    std::string bytes = ReadBytes(fileName);
    std::vector<std::string> messages;
    for (std::sregex_iterator it(bytes.begin(), bytes.end(), line), end; it != end; ++it)
        messages.push_back((*it)[1]);
    return messages;
}

std::ptrdiff_t IndexOf(const std::vector<std::string>& lines, const std::string& text)
{
    auto it = std::find(lines.begin(), lines.end(), text);
    return it == lines.end() ? -1 : it - lines.begin();
}

bool Contains(const std::string& text, const std::string& part) { return text.find(part) != std::string::npos; }

// Raises from inside its own event handling, as a failing command would.
class TThrowingObject : public QObject {
public:
    bool event(QEvent* e) override
    {
        if (e->type() == QEvent::User)
            throw EFileError("Cannot write file \"x.cgx\".");
        return QObject::event(e);
    }
};

// Each test gets its own executable folder and log file, both in a temporary folder.
class MainWindowTest : public ::testing::Test {
protected:
    void SetUp() override
    {
        ASSERT_TRUE(FDir.isValid());
        FFolder = FDir.path().toStdString() + "/";
        SetExecutableFolder(FFolder);
        FLogFile = FFolder + "CoglineTurnGenerator.log";
        SetLogFileName(FLogFile);
    }
    void TearDown() override
    {
        SetLogFileName("");
    }

    // The reference files as the core's builders write them, under the names start-up reads.
    void WriteReferenceFiles(const std::string& folder)
    {
        BuildProgramDeckFile(folder);
        BuildBaseOptionDeckFile(folder);
        BuildBoltsAndBlastersOptionDeckFile(folder);
        BuildBoardListFile(folder);
        BuildChitListFile(folder);
        QDir dir(QString::fromStdString(folder));
        dir.remove("CoreProgramDeck.xml");
        dir.remove("BaseGameOptionDeck.xml");
        ASSERT_TRUE(dir.rename("ProgramDeck.xml", "CoreProgramDeck.xml"));
        ASSERT_TRUE(dir.rename("BaseOptionDeck.xml", "BaseGameOptionDeck.xml"));
    }
    void WriteReferenceFiles() { WriteReferenceFiles(FFolder); }
    void Remove(const std::string& name) { ASSERT_TRUE(QFile::remove(QString::fromStdString(FFolder + name))); }

    template <class T>
    T* Control(TfrmMain& window, const char* name)
    {
        T* control = window.findChild<T*>(QString::fromUtf8(name));
        EXPECT_NE(control, nullptr) << name;
        return control;
    }
    QAction* Item(TfrmMain& window, const char* name) { return Control<QAction>(window, name); }

    QTemporaryDir FDir;
    std::string FFolder;
    TExecutableFolderScope FFolderScope;
    std::string FLogFile;
};

} // namespace

// ---------------------------------------------------------------------------------------------
// Start-up

TEST_F(MainWindowTest, CaptionIsTitleAndFourNumberVersion)
{
    WriteReferenceFiles();
    TfrmMain window;
    std::string caption = window.windowTitle().toStdString();
    EXPECT_TRUE(std::regex_match(caption, std::regex(R"(Cogline Turn Generator v\d+\.\d+\.\d+\.\d+)"))) << caption;
    window.show();
    EXPECT_EQ(window.windowTitle().toStdString(), caption);
}

TEST_F(MainWindowTest, IsDesignedSizeAndStartsOnTheProgramTab)
{
    WriteReferenceFiles();
    TfrmMain window;
    EXPECT_EQ(window.size(), QSize(657, 385));
    auto* pages = Control<QTabWidget>(window, "pgeBot");
    ASSERT_EQ(pages->count(), 3);
    EXPECT_EQ(pages->tabText(0), "&Program");
    EXPECT_EQ(pages->tabText(1), "&Options");
    EXPECT_EQ(pages->tabText(2), "&Notes");
    EXPECT_EQ(pages->currentWidget(), Control<QWidget>(window, "tabProgram"));
    EXPECT_EQ(pages->widget(1), Control<QWidget>(window, "tabOptions"));
    EXPECT_EQ(pages->widget(2), Control<QWidget>(window, "tabNotes"));
    window.show();
    EXPECT_FALSE(Control<QPushButton>(window, "btnKillWarning")->isVisible());
    EXPECT_FALSE(Control<QLabel>(window, "lblTurn")->isVisible());
}

TEST_F(MainWindowTest, LookupListsHoldTheirValuesWithNoneSelected)
{
    WriteReferenceFiles();
    TfrmMain window;
    struct TCase {
        const char* List;
        std::vector<QString> Texts;
        int FirstValue;
    };
    const TCase cases[] = {
        {"cbxOptionFacing", {"Front", "Left", "Back", "Right"}, ofFront},
        {"cbxState", {"Real", "Virtual"}, bsReal},
        {"cbxActivityLevel", {"Normal", "Shutting Down Next Turn", "Shut Down"}, alNormal},
    };
    for (const TCase& c : cases) {
        auto* list = Control<QComboBox>(window, c.List);
        ASSERT_EQ(list->count(), static_cast<int>(c.Texts.size())) << c.List;
        for (int i = 0; i < list->count(); ++i) {
            EXPECT_EQ(list->itemText(i), c.Texts[static_cast<std::size_t>(i)]) << c.List;
            EXPECT_EQ(list->itemData(i).toInt(), c.FirstValue + i) << c.List;
        }
        EXPECT_EQ(list->currentIndex(), -1) << c.List;
    }
    // The flag list depends on the game.
    EXPECT_EQ(Control<QComboBox>(window, "cbxFlag")->count(), 0);
}

TEST_F(MainWindowTest, LoadsTheReferenceData)
{
    WriteReferenceFiles();
    TChitList catalogue;
    BuildChitList(catalogue);
    TMessageCapture messages;
    TfrmMain window;
    EXPECT_TRUE(messages.Messages().empty());

    ASSERT_NE(window.UnusedProgramDeck(), nullptr);
    EXPECT_EQ(window.UnusedProgramDeck()->Count(), 84);
    EXPECT_EQ(window.UnusedOptionDeck(osUnknown), nullptr);
    ASSERT_NE(window.UnusedOptionDeck(osBaseGame), nullptr);
    ASSERT_NE(window.UnusedOptionDeck(osBoltsAndBlasters), nullptr);
    EXPECT_EQ(window.UnusedOptionDeck(osBaseGame)->Count(), 26);
    EXPECT_EQ(window.UnusedOptionDeck(osBoltsAndBlasters)->Count(), 26);
    EXPECT_EQ(window.UnusedOptionDeck(osBaseGame)->Cards(0)->Source(), osBaseGame);
    EXPECT_EQ(window.UnusedOptionDeck(osBoltsAndBlasters)->Cards(0)->Source(), osBoltsAndBlasters);
    ASSERT_NE(window.BoardList(), nullptr);
    EXPECT_EQ(window.BoardList()->Count(), 26);
    ASSERT_NE(window.ChitList(), nullptr);
    ASSERT_EQ(window.ChitList()->Count(), catalogue.Count());
    for (int i = 0; i < window.ChitList()->Count(); ++i) {
        TChit* chit = window.ChitList()->Items(i);
        EXPECT_NE(catalogue.FindByID(chit->ID()), nullptr) << chit->ID();
        EXPECT_EQ(chit->BoardList(), window.BoardList()) << chit->ID();
        EXPECT_EQ(chit->UsedBoardList(), nullptr) << chit->ID();
    }
    EXPECT_EQ(window.Game(), nullptr);
}

TEST_F(MainWindowTest, AMissingReferenceFileIsNamedAndTheWindowStillOpens)
{
    for (const std::string& missing : ReferenceFiles) {
        SCOPED_TRACE(missing);
        WriteReferenceFiles();
        Remove(missing);
        TMessageCapture messages;
        TfrmMain window;
        window.show();
        EXPECT_TRUE(window.isVisible());
        ASSERT_EQ(messages.Messages().size(), 1u);
        const std::string& text = messages.Messages()[0];
        EXPECT_TRUE(Contains(text, FFolder + missing)) << text;
        EXPECT_TRUE(Contains(text, "missing")) << text;
        for (const std::string& other : ReferenceFiles) {
            if (other != missing) {
                EXPECT_FALSE(Contains(text, FFolder + other)) << text;
            }
        }
        // Everything else loaded.
        EXPECT_EQ(window.UnusedProgramDeck()->Count(), missing == "CoreProgramDeck.xml" ? 0 : 84);
        EXPECT_EQ(window.UnusedOptionDeck(osBaseGame)->Count(), missing == "BaseGameOptionDeck.xml" ? 0 : 26);
        EXPECT_EQ(window.UnusedOptionDeck(osBoltsAndBlasters)->Count(), missing == "BoltsAndBlastersOptionDeck.xml" ? 0 : 26);
        EXPECT_EQ(window.BoardList()->Count(), missing == "Boards.xml" ? 0 : 26);
        EXPECT_EQ(window.ChitList()->Count() == 0, missing == "Chits.xml");
    }
}

TEST_F(MainWindowTest, EmptyUnreadableAndMissingFilesAreReportedTogether)
{
    WriteReferenceFiles();
    std::ofstream(FFolder + "Chits.xml", std::ios::trunc).close();
    Remove("Boards.xml");
    // A folder where a file should be cannot be opened.
    Remove("CoreProgramDeck.xml");
    ASSERT_TRUE(QDir(QString::fromStdString(FFolder)).mkdir("CoreProgramDeck.xml"));

    TMessageCapture messages;
    TfrmMain window;
    window.show();
    EXPECT_TRUE(window.isVisible());
    ASSERT_EQ(messages.Messages().size(), 1u);
    const std::string& text = messages.Messages()[0];
    EXPECT_TRUE(Contains(text, "\"" + FFolder + "CoreProgramDeck.xml\" could not be read")) << text;
    EXPECT_TRUE(Contains(text, "\"" + FFolder + "Boards.xml\" is missing")) << text;
    EXPECT_TRUE(Contains(text, "\"" + FFolder + "Chits.xml\" holds no entries")) << text;
    EXPECT_FALSE(Contains(text, "OptionDeck.xml")) << text;
    EXPECT_EQ(window.UnusedOptionDeck(osBaseGame)->Count(), 26);
}

TEST_F(MainWindowTest, ADamagedReferenceFileKeepsWhatLoadedAndSaysWhereParsingStopped)
{
    WriteReferenceFiles();
    // One typo in the end tag of the first board: only that board can be read.
    std::string bytes = ReadBytes(FFolder + "Boards.xml");
    const std::size_t typo = bytes.find("</Board>");
    ASSERT_NE(typo, std::string::npos);
    bytes.replace(typo, 8, "</Bord>");
    WriteBytes(FFolder + "Boards.xml", bytes);
    const std::size_t name = typo + 2;
    const std::size_t lineStart = bytes.rfind('\n', name) + 1;
    const std::size_t line = 1 + static_cast<std::size_t>(std::count(bytes.begin(), bytes.begin() + static_cast<std::ptrdiff_t>(name), '\n'));

    TMessageCapture messages;
    TfrmMain window;
    ASSERT_EQ(messages.Messages().size(), 1u);
    const std::string& text = messages.Messages()[0];
    EXPECT_TRUE(Contains(text, "The reference file \"" + FFolder + "Boards.xml\" is damaged: parsing stopped at line "
        + std::to_string(line) + ", column " + std::to_string(name - lineStart + 1) + " (byte " + std::to_string(name)
        + "): start-end tags mismatch. Only what came before was loaded (1 entry).")) << text;
    EXPECT_EQ(window.BoardList()->Count(), 1);
    EXPECT_GT(window.ChitList()->Count(), 0);
}

TEST_F(MainWindowTest, NoReferenceDataAtAllStillStarts)
{
    TMessageCapture messages;
    TfrmMain window;
    window.show();
    EXPECT_TRUE(window.isVisible());
    ASSERT_EQ(messages.Messages().size(), 1u);
    for (const std::string& name : ReferenceFiles)
        EXPECT_TRUE(Contains(messages.Messages()[0], FFolder + name)) << name;
    EXPECT_TRUE(Item(window, "mniExit")->isEnabled());
}

// ---------------------------------------------------------------------------------------------
// The state without a game

TEST_F(MainWindowTest, WithoutAGameEveryBotFieldIsEmptyAndDisabled)
{
    WriteReferenceFiles();
    TfrmMain window;
    window.show();
    EXPECT_EQ(Control<QListWidget>(window, "lstBotsInPlay")->count(), 0);

    const QColor buttonFace = QApplication::palette().color(QPalette::Button);
    ASSERT_NE(buttonFace, QApplication::palette().color(QPalette::Base));
    const char* const fields[] = {"edtPlayerName", "edtLives", "edtMaxCards", "edtDamage", "cbxState",
        "cbxActivityLevel", "cbxFlag", "edtRegister1", "edtRegister2", "edtRegister3", "edtRegister4",
        "edtRegister5", "lstProgramCards", "lstRegisterOther", "lstOptionCards", "mmoNotes",
        "edtOptionQuantity", "cbxOptionFacing"};
    for (const char* name : fields) {
        QWidget* field = Control<QWidget>(window, name);
        ASSERT_NE(field, nullptr);
        EXPECT_FALSE(field->isEnabled()) << name;
        EXPECT_EQ(field->palette().color(QPalette::Base), buttonFace) << name;
    }
    const char* const buttons[] = {"btnNewHand", "btnTradeHand", "btnMakePM", "btnCopyProgram", "btnAddOption",
        "btnDeleteOption", "btnTradeOption"};
    for (const char* name : buttons)
        EXPECT_FALSE(Control<QPushButton>(window, name)->isEnabled()) << name;
    for (const char* bar : {"barRegister1", "barRegister2", "barRegister3", "barRegister4", "barRegister5", "barRegisterOther"})
        EXPECT_FALSE(Control<QToolBar>(window, bar)->isEnabled()) << bar;

    EXPECT_TRUE(Control<QLineEdit>(window, "edtPlayerName")->text().isEmpty());
    for (const char* number : {"edtLives", "edtMaxCards", "edtDamage"})
        EXPECT_EQ(Control<QSpinBox>(window, number)->value(), 0) << number;
    EXPECT_EQ(Control<QSpinBox>(window, "edtOptionQuantity")->value(), -1);
    for (const char* list : {"cbxState", "cbxActivityLevel", "cbxFlag", "cbxOptionFacing"})
        EXPECT_EQ(Control<QComboBox>(window, list)->currentIndex(), -1) << list;
    for (const char* box : {"edtRegister1", "edtRegister5", "edtOptionType", "edtOptionKind", "edtOptionSource", "edtOptionDamage"})
        EXPECT_TRUE(Control<QLineEdit>(window, box)->text().isEmpty()) << box;
    for (const char* list : {"lstProgramCards", "lstRegisterOther", "lstOptionCards"})
        EXPECT_EQ(Control<QListWidget>(window, list)->count(), 0) << list;
    EXPECT_TRUE(Control<QPlainTextEdit>(window, "mmoNotes")->toPlainText().isEmpty());
    EXPECT_TRUE(Control<QPlainTextEdit>(window, "mmoOptionDescription")->toPlainText().isEmpty());
}

TEST_F(MainWindowTest, ReEnablingAFieldRestoresTheWindowColour)
{
    WriteReferenceFiles();
    TfrmMain window;
    auto* name = Control<QLineEdit>(window, "edtPlayerName");
    window.SetControlEnabled(name, true);
    EXPECT_TRUE(name->isEnabled());
    EXPECT_EQ(name->palette().color(QPalette::Base), QApplication::palette().color(QPalette::Base));
    window.SetControlEnabledVisualOnly(name, false);
    EXPECT_TRUE(name->isEnabled());
    EXPECT_EQ(name->palette().color(QPalette::Base), QApplication::palette().color(QPalette::Button));
}

TEST_F(MainWindowTest, WithoutAGameOnlyExitRunsAndTheRestWaitsDisabled)
{
    WriteReferenceFiles();
    TfrmMain window;
    window.show();
    // Open Game, New Game and Board Editor are allowed without a game, but their commands are
    // not part of this build yet.
    const char* const items[] = {"mniOpenGame", "mniSaveGame", "mniNewGame", "mniAddBot", "mniNextTurn", "mniMakePMs",
        "mniProcessTurn", "mniAddBuzzBomb", "mniDeleteBuzzBomb", "mniScoreBoard", "mniShuffleProgramCards",
        "mniShuffleOptionCards", "mniProgramCards", "mniOptionCards", "mniBoardEditor"};
    for (const char* name : items)
        EXPECT_FALSE(Item(window, name)->isEnabled()) << name;
    EXPECT_TRUE(Item(window, "mniExit")->isEnabled());
    EXPECT_TRUE(Item(window, "mniAddBuzzBomb")->isVisible());
    EXPECT_FALSE(Item(window, "mniDeleteBuzzBomb")->isVisible());
    EXPECT_EQ(Item(window, "mniAddBuzzBomb")->shortcut(), QKeySequence("Ctrl+Z"));
    EXPECT_TRUE(Item(window, "mniDeleteBuzzBomb")->shortcut().isEmpty());

    // Coming to the front again does not wake them.
    QEvent activate(QEvent::WindowActivate);
    QApplication::sendEvent(&window, &activate);
    for (const char* name : items)
        EXPECT_FALSE(Item(window, name)->isEnabled()) << name;
    EXPECT_TRUE(Item(window, "mniExit")->isEnabled());
}

TEST_F(MainWindowTest, ExitClosesTheWindow)
{
    WriteReferenceFiles();
    TfrmMain window;
    window.show();
    ASSERT_TRUE(window.isVisible());
    Item(window, "mniExit")->trigger();
    EXPECT_FALSE(window.isVisible());
}

TEST_F(MainWindowTest, MenusCarryTheirCaptionsShortcutsAndSeparators)
{
    WriteReferenceFiles();
    TfrmMain window;
    struct TMenuCase {
        const char* Menu;
        std::vector<std::vector<const char*>> Items; // name, caption, shortcut; "-" is a separator
    };
    const TMenuCase menus[] = {
        {"&File", {{"mniOpenGame", "&Open Game...", "Ctrl+O"}, {"mniSaveGame", "&Save Game...", "Ctrl+S"}, {"-"},
                      {"mniExit", "E&xit", ""}}},
        {"&Game", {{"mniNewGame", "&New Game...", "Ctrl+N"}, {"-"}, {"mniAddBot", "Add &Bot(s)...", "Ctrl+B"}, {"-"},
                      {"mniNextTurn", "Next &Turn", "Ctrl+T"}, {"mniMakePMs", "Make P&Ms", "Ctrl+M"}, {"-"},
                      {"mniProcessTurn", "&Process Turn...", "Ctrl+P"}, {"-"},
                      {"mniAddBuzzBomb", "&Add Buzz Bomb", "Ctrl+Z"}, {"mniDeleteBuzzBomb", "&Delete Buzz Bomb", ""},
                      {"-"}, {"mniScoreBoard", "&Score Board", "Ctrl+D"}}},
        {"&Deck", {{"mniShuffleProgramCards", "Shuffle &Program Cards", ""},
                      {"mniShuffleOptionCards", "Shuffle &Option Cards", ""}}},
        {"&View", {{"mniProgramCards", "&Program Cards...", ""}, {"mniOptionCards", "&Option Cards...", ""},
                      {"mniBoardEditor", "&Board Editor...", ""}}},
    };
    const QList<QAction*> bar = window.menuBar()->actions();
    ASSERT_EQ(bar.size(), 4);
    for (int m = 0; m < 4; ++m) {
        const TMenuCase& expected = menus[m];
        QMenu* menu = bar[m]->menu();
        ASSERT_NE(menu, nullptr);
        EXPECT_EQ(menu->title(), expected.Menu);
        const QList<QAction*> actions = menu->actions();
        ASSERT_EQ(actions.size(), static_cast<qsizetype>(expected.Items.size())) << expected.Menu;
        for (int i = 0; i < actions.size(); ++i) {
            const auto& item = expected.Items[static_cast<std::size_t>(i)];
            if (std::string(item[0]) == "-") {
                EXPECT_TRUE(actions[i]->isSeparator()) << expected.Menu << " " << i;
                continue;
            }
            EXPECT_EQ(actions[i]->objectName(), item[0]);
            EXPECT_EQ(actions[i]->text(), item[1]) << item[0];
            EXPECT_EQ(actions[i]->shortcut(), QKeySequence(item[2])) << item[0];
        }
    }
}

TEST_F(MainWindowTest, FieldLabelsCarryTheirAccessKeys)
{
    WriteReferenceFiles();
    TfrmMain window;
    const std::pair<const char*, const char*> labels[] = {{"Pla&yer", "edtPlayerName"}, {"&Archives", "edtLives"},
        {"Ma&x Cards", "edtMaxCards"}, {"&Damage", "edtDamage"}, {"&State", "cbxState"},
        {"A&ctivity", "cbxActivityLevel"}, {"F&lag", "cbxFlag"}, {"Oth&er", "lstRegisterOther"},
        {"P&rogram Cards", "lstProgramCards"}, {"&Quantity", "edtOptionQuantity"}, {"Fac&ing", "cbxOptionFacing"},
        {"Type", "edtOptionType"}, {"Kind", "edtOptionKind"}, {"Source", "edtOptionSource"},
        {"Description", "mmoOptionDescription"}};
    const QList<QLabel*> all = window.findChildren<QLabel*>();
    for (const auto& [caption, buddy] : labels) {
        auto it = std::find_if(all.begin(), all.end(), [&](QLabel* l) { return l->text() == caption; });
        ASSERT_NE(it, all.end()) << caption;
        ASSERT_NE((*it)->buddy(), nullptr) << caption;
        EXPECT_EQ((*it)->buddy()->objectName(), buddy) << caption;
    }
    const std::pair<const char*, const char*> buttons[] = {{"btnNewHand", "&New Hand"}, {"btnTradeHand", "&Trade Hand"},
        {"btnMakePM", "Make P&M"}, {"btnCopyProgram", "Copy Prog."}, {"btnAddOption", "+"}, {"btnDeleteOption", "-"},
        {"btnTradeOption", "&Trade Option"}, {"btnKillWarning", "btnKillWarning"}};
    for (const auto& [name, caption] : buttons)
        EXPECT_EQ(Control<QPushButton>(window, name)->text(), caption) << name;
    EXPECT_EQ(Control<QGroupBox>(window, "grpRegisters")->title(), "Registers");
    EXPECT_EQ(Control<QLabel>(window, "lblTurn")->text(), "Turn 0");
}

// ---------------------------------------------------------------------------------------------
// Errors that escape an event

TEST_F(MainWindowTest, AnEscapedErrorIsLoggedShownAndTheToolGoesOn)
{
    WriteReferenceFiles();
    TfrmMain window;
    window.show();
    Log().SetLevel(1);
    TMessageCapture messages;
    TThrowingObject thrower;
    QEvent event(QEvent::User);

    bool delivered = TApplication::GuardedNotify(&thrower, [&] { return qApp->notify(&thrower, &event); });

    EXPECT_FALSE(delivered);
    const std::string text = "Exception EFileError: Cannot write file \"x.cgx\".";
    ASSERT_EQ(messages.Messages().size(), 1u);
    EXPECT_EQ(messages.Messages()[0], text);
    std::vector<std::string> lines = LogMessages(FLogFile);
    auto start = IndexOf(lines, "TfrmMain.OnApplicationError Start");
    auto line = IndexOf(lines, text);
    auto end = IndexOf(lines, "TfrmMain.OnApplicationError End");
    ASSERT_GE(start, 0);
    EXPECT_EQ(line, start + 1);
    EXPECT_EQ(end, start + 2);

    // The window still takes commands.
    Item(window, "mniExit")->trigger();
    EXPECT_FALSE(window.isVisible());
}

TEST_F(MainWindowTest, AnEscapedErrorLeavesOutTheTraceLineAtTheErrorThreshold)
{
    WriteReferenceFiles();
    TfrmMain window;
    TMessageCapture messages;
    TThrowingObject thrower;
    QEvent event(QEvent::User);

    Log().SetLevel(2);
    TApplication::GuardedNotify(&thrower, [&] { return qApp->notify(&thrower, &event); });
    EXPECT_EQ(LogMessages(FLogFile),
        (std::vector<std::string>{"TfrmMain.OnApplicationError Start", "TfrmMain.OnApplicationError End"}));

    // As the program's entry leaves the threshold: nothing written, the text still shown.
    SetLogFileName(FLogFile);
    Log().SetLevel(4);
    Log().SetLevel(7);
    TApplication::GuardedNotify(&thrower, [&] { return qApp->notify(&thrower, &event); });
    EXPECT_FALSE(FileExists(FLogFile));
    ASSERT_EQ(messages.Messages().size(), 2u);
    EXPECT_EQ(messages.Messages()[1], "Exception EFileError: Cannot write file \"x.cgx\".");
}

TEST_F(MainWindowTest, AFailingCommandReachesTheHandler)
{
    WriteReferenceFiles();
    TfrmMain window;
    TMessageCapture messages;
    // The rebuild cannot write into a folder that does not exist.
    SetExecutableFolder(FFolder + "no such folder/");
    auto* button = Control<QPushButton>(window, "btnKillWarning");
    QPoint centre = button->rect().center();
    QMouseEvent press(QEvent::MouseButtonPress, centre, button->mapToGlobal(centre), Qt::LeftButton, Qt::LeftButton, Qt::NoModifier);
    QMouseEvent release(QEvent::MouseButtonRelease, centre, button->mapToGlobal(centre), Qt::LeftButton, Qt::NoButton, Qt::NoModifier);

    // Delivered without a net of its own: the command must deal with its error before it
    // unwinds through Qt's event delivery.
    qApp->notify(button, &press);
    qApp->notify(button, &release);

    ASSERT_EQ(messages.Messages().size(), 1u);
    EXPECT_TRUE(Contains(messages.Messages()[0], "Exception EFileError: ")) << messages.Messages()[0];
    EXPECT_TRUE(Contains(messages.Messages()[0], "ProgramDeck.xml")) << messages.Messages()[0];
}

TEST_F(MainWindowTest, AnyThrownValueReachesTheHandler)
{
    WriteReferenceFiles();
    TfrmMain window;
    TMessageCapture messages;
    bool delivered = TApplication::GuardedNotify(nullptr, [] () -> bool { throw 42; });
    EXPECT_FALSE(delivered);
    ASSERT_EQ(messages.Messages().size(), 1u);
    EXPECT_TRUE(Contains(messages.Messages()[0], "Exception ")) << messages.Messages()[0];
}

TEST_F(MainWindowTest, TheHandlerGoesWithTheWindow)
{
    WriteReferenceFiles();
    Log().SetLevel(1);
    {
        TfrmMain window;
    }
    TMessageCapture messages;
    TThrowingObject thrower;
    QEvent event(QEvent::User);
    TApplication::GuardedNotify(&thrower, [&] { return qApp->notify(&thrower, &event); });
    // Still shown, but no longer by a window that is gone.
    ASSERT_EQ(messages.Messages().size(), 1u);
    EXPECT_EQ(messages.Messages()[0], "Exception EFileError: Cannot write file \"x.cgx\".");
    EXPECT_EQ(IndexOf(LogMessages(FLogFile), "TfrmMain.OnApplicationError Start"), -1);
}

TEST_F(MainWindowTest, AHandlerThatFailsItselfDoesNotEndTheTool)
{
    TApplicationErrorHandler previous = TApplication::SetErrorHandler(
        [](QObject*, const std::exception&) { throw EFileError("log disk full"); });
    TThrowingObject thrower;
    QEvent event(QEvent::User);
    EXPECT_FALSE(TApplication::GuardedNotify(&thrower, [&] { return qApp->notify(&thrower, &event); }));
    TApplication::SetErrorHandler(std::move(previous));
}

// ---------------------------------------------------------------------------------------------
// The hidden rebuild

TEST_F(MainWindowTest, HiddenRebuildWritesTheFiveFilesAsTheBuildersDo)
{
    WriteReferenceFiles();
    TfrmMain window;
    int cards = window.UnusedProgramDeck()->Count();
    int boards = window.BoardList()->Count();
    // Start from files that differ from the built-in tables, so each must be rewritten.
    for (const std::string& name : RebuiltFiles)
        std::ofstream(FFolder + name, std::ios::trunc) << "stale";

    Control<QPushButton>(window, "btnKillWarning")->click();

    QTemporaryDir expectedDir;
    ASSERT_TRUE(expectedDir.isValid());
    std::string expected = expectedDir.path().toStdString() + "/";
    BuildProgramDeckFile(expected);
    BuildBaseOptionDeckFile(expected);
    BuildBoltsAndBlastersOptionDeckFile(expected);
    BuildBoardListFile(expected);
    BuildChitListFile(expected);
    for (const std::string& name : RebuiltFiles) {
        std::string written = ReadBytes(FFolder + name);
        EXPECT_NE(written, "stale") << name;
        EXPECT_EQ(written, ReadBytes(expected + name)) << name;
    }
    // The window keeps what it loaded.
    EXPECT_EQ(window.UnusedProgramDeck()->Count(), cards);
    EXPECT_EQ(window.BoardList()->Count(), boards);
}

// ---------------------------------------------------------------------------------------------
// Tracing

TEST_F(MainWindowTest, StartUpIsTracedWhenTheThresholdAllows)
{
    WriteReferenceFiles();
    Log().SetLevel(1);
    {
        TfrmMain window;
        window.show();
    }
    std::vector<std::string> lines = LogMessages(FLogFile);
    auto createStart = IndexOf(lines, "TfrmMain.FormCreate Start");
    auto decksStart = IndexOf(lines, "TfrmMain.InitializeUnusedDecks Start");
    auto decksEnd = IndexOf(lines, "TfrmMain.InitializeUnusedDecks End");
    auto lookupStart = IndexOf(lines, "TfrmMain.InitializeLookupFields Start");
    auto createEnd = IndexOf(lines, "TfrmMain.FormCreate End");
    auto showStart = IndexOf(lines, "TfrmMain.FormShow Start");
    auto updateStart = IndexOf(lines, "TfrmMain.UpdateWithGameData Start");
    auto updateEnd = IndexOf(lines, "TfrmMain.UpdateWithGameData End");
    auto showEnd = IndexOf(lines, "TfrmMain.FormShow End");
    auto destroyStart = IndexOf(lines, "TfrmMain.FormDestroy Start");
    auto unusedStart = IndexOf(lines, "TfrmMain.DestroyUnusedDecks Start");
    auto destroyEnd = IndexOf(lines, "TfrmMain.FormDestroy End");
    ASSERT_EQ(createStart, 0);
    EXPECT_LT(createStart, decksStart);
    EXPECT_LT(decksStart, decksEnd);
    EXPECT_LT(decksEnd, lookupStart);
    EXPECT_LT(lookupStart, createEnd);
    EXPECT_LT(createEnd, showStart);
    EXPECT_LT(showStart, updateStart);
    EXPECT_LT(updateStart, updateEnd);
    EXPECT_LT(updateEnd, showEnd);
    EXPECT_LT(showEnd, destroyStart);
    EXPECT_LT(destroyStart, unusedStart);
    EXPECT_LT(unusedStart, destroyEnd);

    static const std::regex timing(R"(FBoardList\.LoadFromXMLFile msecs = \d+)");
    auto timed = std::find_if(lines.begin(), lines.end(), [](const std::string& l) { return std::regex_match(l, timing); });
    ASSERT_NE(timed, lines.end());
    EXPECT_GT(timed - lines.begin(), decksEnd);
    EXPECT_LT(timed - lines.begin(), lookupStart);
}

TEST_F(MainWindowTest, NothingIsLoggedAtTheThresholdTheProgramSets)
{
    WriteReferenceFiles();
    StartProcess();
    {
        TfrmMain window;
        window.show();
        Control<QPushButton>(window, "btnKillWarning")->click();
    }
    EXPECT_FALSE(FileExists(FLogFile));
}

TEST_F(MainWindowTest, EveryStartOfTheProgramDealsOtherHands)
{
    std::vector<std::string> hands;
    for (int start = 0; start < 2; ++start) {
        // Without a seed of its own, every run would go on from the same one.
        SetRandSeed(2024);
        StartProcess();
        EXPECT_NE(RandSeed(), 2024u);
        TProgramDeck deck;
        BuildProgramCards(deck);
        deck.ShuffleAll();
        std::string hand;
        for (int card = 0; card < 9; ++card)
            hand += deck.DealCard()->ID() + " ";
        hands.push_back(hand);
    }
    EXPECT_NE(hands[0], hands[1]);
}

TEST_F(MainWindowTest, AMethodLeftByAnErrorWritesItsEndLineOnlyWhenGuarded)
{
    Log().SetLevel(1);
    try {
        TMethodTrace trace("TfrmMain.Plain");
        throw EFileError("x");
    } catch (const EFileError&) {
    }
    try {
        TMethodTrace trace("TfrmMain.Guarded", TMethodTrace::AlsoOnError);
        throw EFileError("x");
    } catch (const EFileError&) {
    }
    {
        TMethodTrace trace("TfrmMain.Normal", TMethodTrace::OnReturn, 2);
    }
    Log().SetLevel(2);
    {
        TMethodTrace trace("TfrmMain.Hidden");
    }
    EXPECT_EQ(LogMessages(FLogFile), (std::vector<std::string>{"TfrmMain.Plain Start", "TfrmMain.Guarded Start",
                                         "TfrmMain.Guarded End", "TfrmMain.Normal Start", "TfrmMain.Normal End"}));
}
