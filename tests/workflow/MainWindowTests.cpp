#include "workflow/WorkflowFixture.h"

#include "model/BotUnt.h"
#include "support/ErrorsUnt.h"
#include "support/LogUnt.h"
#include "support/NotifyUnt.h"
#include "support/RandomUnt.h"
#include "support/UtilsUnt.h"
#include "workflow/ApplicationUnt.h"
#include "workflow/MethodTraceUnt.h"
#include "workflow/frmMainUnt.h"

#include <QAction>
#include <QApplication>
#include <QComboBox>
#include <QFile>
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
#include <QToolBar>

#include <algorithm>
#include <fstream>
#include <memory>
#include <regex>
#include <set>
#include <string>
#include <vector>

namespace {

// The reference files start-up reads, in the order it reads them.
const std::vector<std::string> ReferenceFiles = {
    "CoreProgramDeck.xml", "BaseGameOptionDeck.xml", "BoltsAndBlastersOptionDeck.xml", "Boards.xml", "Chits.xml"};
const std::string EscapedError = "Exception EFileError: Cannot write file \"x.cgx\".";

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

bool NotifyThrowing()
{
    TThrowingObject thrower;
    QEvent event(QEvent::User);
    return TApplication::GuardedNotify(&thrower, [&] { return qApp->notify(&thrower, &event); });
}

// The builders' reference files in the executable folder; each test has its own log file there.
class MainWindowTest : public WorkflowTest {
protected:
    void SetUp() override
    {
        WorkflowTest::SetUp();
        LogFile = Folder + "CoglineTurnGenerator.log";
        SetLogFileName(LogFile);
    }
    void TearDown() override
    {
        Close();
        SetLogFileName("");
    }

    // A new session and its window, which loads the reference data.
    TfrmMain& Open()
    {
        Close();
        Session = std::make_unique<TGameSession>();
        Window = std::make_unique<TfrmMain>(*Session);
        return *Window;
    }
    void Close()
    {
        Window.reset();
        Session.reset();
    }

    void Remove(const std::string& name) { ASSERT_TRUE(QFile::remove(QString::fromStdString(Folder + name))); }

    template <class T>
    T* Control(const char* name)
    {
        T* control = Window->findChild<T*>(QString::fromUtf8(name));
        EXPECT_NE(control, nullptr) << name;
        return control;
    }
    QAction* Item(const char* name) { return Control<QAction>(name); }

    std::string LogFile;
    std::unique_ptr<TGameSession> Session;
    std::unique_ptr<TfrmMain> Window;
};

} // namespace

// ---------------------------------------------------------------------------------------------
// Start-up

TEST_F(MainWindowTest, OpensUnderTitleAndVersionOnTheProgramTab)
{
    TfrmMain& window = Open();
    std::string caption = window.windowTitle().toStdString();
    EXPECT_TRUE(std::regex_match(caption, std::regex(R"(Cogline Turn Generator v\d+\.\d+\.\d+\.\d+)"))) << caption;
    EXPECT_EQ(Control<QTabWidget>("pgeBot")->currentWidget(), Control<QWidget>("tabProgram"));
    window.show();
    EXPECT_EQ(window.windowTitle().toStdString(), caption);
    EXPECT_FALSE(Control<QPushButton>("btnKillWarning")->isVisible());
    EXPECT_FALSE(Control<QLabel>("lblTurn")->isVisible());
}

// Every value but the unknown one, each carrying its own value, and none selected.
TEST_F(MainWindowTest, LookupListsHoldTheirValuesWithNoneSelected)
{
    Open();
    struct TCase {
        const char* List;
        int First, Last;
        const char* FirstText;
        const char* LastText;
    };
    const TCase cases[] = {
        {"cbxOptionFacing", ofFront, ofRight, "Front", "Right"},
        {"cbxState", bsReal, bsVirtual, "Real", "Virtual"},
        {"cbxActivityLevel", alNormal, alShutDown, "Normal", "Shut Down"},
    };
    for (const TCase& c : cases) {
        SCOPED_TRACE(c.List);
        auto* list = Control<QComboBox>(c.List);
        ASSERT_EQ(list->count(), c.Last - c.First + 1);
        for (int i = 0; i < list->count(); ++i)
            EXPECT_EQ(list->itemData(i).toInt(), c.First + i);
        EXPECT_EQ(list->itemText(0), c.FirstText);
        EXPECT_EQ(list->itemText(list->count() - 1), c.LastText);
        EXPECT_EQ(list->currentIndex(), -1);
    }
    // The flag list depends on the game.
    EXPECT_EQ(Control<QComboBox>("cbxFlag")->count(), 0);
}

// How much of each file loads is checked with the missing files below.
TEST_F(MainWindowTest, LoadsTheReferenceDataEachOptionSetInItsOwnDeck)
{
    Open();
    EXPECT_TRUE(Messages.Messages().empty());
    EXPECT_EQ(Session->UnusedOptionDeck(osUnknown), nullptr);
    for (TOptionSource source : {osBaseGame, osBoltsAndBlasters})
        EXPECT_EQ(Session->UnusedOptionDeck(source)->Cards(0)->Source(), source);
    ASSERT_EQ(Session->ChitList()->Count(), 15);
    for (int i = 0; i < Session->ChitList()->Count(); ++i) {
        EXPECT_EQ(Session->ChitList()->Items(i)->BoardList(), Session->BoardList()) << i;
        EXPECT_EQ(Session->ChitList()->Items(i)->UsedBoardList(), nullptr) << i;
    }
    EXPECT_EQ(Session->Game(), nullptr);
}

TEST_F(MainWindowTest, AMissingReferenceFileIsNamedAndTheWindowStillOpens)
{
    for (const std::string& missing : ReferenceFiles) {
        SCOPED_TRACE(missing);
        WriteReferenceFiles();
        Remove(missing);
        TMessageCapture messages;
        Open().show();
        EXPECT_TRUE(Window->isVisible());
        ASSERT_EQ(messages.Messages().size(), 1u);
        const std::string& text = messages.Messages()[0];
        EXPECT_TRUE(Contains(text, Folder + missing + "\" is missing")) << text;
        for (const std::string& other : ReferenceFiles)
            EXPECT_EQ(Contains(text, Folder + other), other == missing) << text;
        // Everything else loaded.
        EXPECT_EQ(Session->UnusedProgramDeck()->Count(), missing == "CoreProgramDeck.xml" ? 0 : 84);
        EXPECT_EQ(Session->UnusedOptionDeck(osBaseGame)->Count(), missing == "BaseGameOptionDeck.xml" ? 0 : 26);
        EXPECT_EQ(Session->UnusedOptionDeck(osBoltsAndBlasters)->Count(), missing == "BoltsAndBlastersOptionDeck.xml" ? 0 : 26);
        EXPECT_EQ(Session->BoardList()->Count(), missing == "Boards.xml" ? 0 : 26);
        EXPECT_EQ(Session->ChitList()->Count() == 0, missing == "Chits.xml");
    }
    // With none at all, one message names them all.
    WriteReferenceFiles();
    for (const std::string& name : ReferenceFiles)
        Remove(name);
    TMessageCapture messages;
    Open().show();
    ASSERT_EQ(messages.Messages().size(), 1u);
    for (const std::string& name : ReferenceFiles)
        EXPECT_TRUE(Contains(messages.Messages()[0], Folder + name)) << name;
    EXPECT_TRUE(Item("mniExit")->isEnabled());
}

TEST_F(MainWindowTest, EmptyUnreadableAndMissingFilesAreReportedTogether)
{
    std::ofstream(Folder + "Chits.xml", std::ios::trunc).close();
    Remove("Boards.xml");
    // A folder where a file should be cannot be opened.
    Remove("CoreProgramDeck.xml");
    ASSERT_TRUE(QDir(QString::fromStdString(Folder)).mkdir("CoreProgramDeck.xml"));

    Open().show();
    EXPECT_TRUE(Window->isVisible());
    ASSERT_EQ(Messages.Messages().size(), 1u);
    const std::string& text = Messages.Messages()[0];
    EXPECT_TRUE(Contains(text, "\"" + Folder + "CoreProgramDeck.xml\" could not be read")) << text;
    EXPECT_TRUE(Contains(text, "\"" + Folder + "Boards.xml\" is missing")) << text;
    EXPECT_TRUE(Contains(text, "\"" + Folder + "Chits.xml\" holds no entries")) << text;
    EXPECT_FALSE(Contains(text, "OptionDeck.xml")) << text;
    EXPECT_EQ(Session->UnusedOptionDeck(osBaseGame)->Count(), 26);
}

TEST_F(MainWindowTest, ADamagedReferenceFileKeepsWhatLoadedAndSaysWhereParsingStopped)
{
    // One typo in the end tag of the first board: only that board can be read.
    std::string bytes = ReadBytes(Folder + "Boards.xml");
    const std::size_t typo = bytes.find("</Board>");
    ASSERT_NE(typo, std::string::npos);
    bytes.replace(typo, 8, "</Bord>");
    WriteBytes(Folder + "Boards.xml", bytes);
    const std::size_t name = typo + 2;
    const std::size_t lineStart = bytes.rfind('\n', name) + 1;
    const std::size_t line = 1 + static_cast<std::size_t>(std::count(bytes.begin(), bytes.begin() + static_cast<std::ptrdiff_t>(name), '\n'));

    Open();
    ASSERT_EQ(Messages.Messages().size(), 1u);
    const std::string& text = Messages.Messages()[0];
    EXPECT_TRUE(Contains(text, "The reference file \"" + Folder + "Boards.xml\" is damaged: parsing stopped at line "
        + std::to_string(line) + ", column " + std::to_string(name - lineStart + 1) + " (byte " + std::to_string(name)
        + "): start-end tags mismatch. Only what came before was loaded (1 entry).")) << text;
    EXPECT_EQ(Session->BoardList()->Count(), 1);
    EXPECT_GT(Session->ChitList()->Count(), 0);
}

// ---------------------------------------------------------------------------------------------
// The state without a game

// Disabled fields wear the button colour; enabling one gives it the window colour back.
TEST_F(MainWindowTest, WithoutAGameEveryBotFieldIsEmptyAndDisabled)
{
    TfrmMain& window = Open();
    window.show();
    EXPECT_EQ(Control<QListWidget>("lstBotsInPlay")->count(), 0);

    const QColor buttonFace = QApplication::palette().color(QPalette::Button);
    const QColor windowColour = QApplication::palette().color(QPalette::Base);
    ASSERT_NE(buttonFace, windowColour);
    for (const char* name : {"edtPlayerName", "edtLives", "edtMaxCards", "edtDamage", "cbxState", "cbxActivityLevel",
             "cbxFlag", "edtRegister1", "edtRegister2", "edtRegister3", "edtRegister4", "edtRegister5", "lstProgramCards",
             "lstRegisterOther", "lstOptionCards", "mmoNotes", "edtOptionQuantity", "cbxOptionFacing"}) {
        QWidget* field = Control<QWidget>(name);
        ASSERT_NE(field, nullptr);
        EXPECT_FALSE(field->isEnabled()) << name;
        EXPECT_EQ(field->palette().color(QPalette::Base), buttonFace) << name;
    }
    for (const char* name : {"btnNewHand", "btnTradeHand", "btnMakePM", "btnCopyProgram", "btnAddOption",
             "btnDeleteOption", "btnTradeOption"})
        EXPECT_FALSE(Control<QPushButton>(name)->isEnabled()) << name;
    for (const char* bar : {"barRegister1", "barRegister2", "barRegister3", "barRegister4", "barRegister5", "barRegisterOther"})
        EXPECT_FALSE(Control<QToolBar>(bar)->isEnabled()) << bar;

    for (const char* number : {"edtLives", "edtMaxCards", "edtDamage"})
        EXPECT_EQ(Control<QSpinBox>(number)->value(), 0) << number;
    EXPECT_EQ(Control<QSpinBox>("edtOptionQuantity")->value(), -1);
    for (const char* list : {"cbxState", "cbxActivityLevel", "cbxFlag", "cbxOptionFacing"})
        EXPECT_EQ(Control<QComboBox>(list)->currentIndex(), -1) << list;
    for (const char* box : {"edtPlayerName", "edtRegister1", "edtRegister5", "edtOptionType", "edtOptionKind",
             "edtOptionSource", "edtOptionDamage"})
        EXPECT_TRUE(Control<QLineEdit>(box)->text().isEmpty()) << box;
    for (const char* list : {"lstProgramCards", "lstRegisterOther", "lstOptionCards"})
        EXPECT_EQ(Control<QListWidget>(list)->count(), 0) << list;
    for (const char* memo : {"mmoNotes", "mmoOptionDescription"})
        EXPECT_TRUE(Control<QPlainTextEdit>(memo)->toPlainText().isEmpty()) << memo;

    auto* name = Control<QLineEdit>("edtPlayerName");
    window.SetControlEnabled(name, true);
    EXPECT_TRUE(name->isEnabled());
    EXPECT_EQ(name->palette().color(QPalette::Base), windowColour);
    window.SetControlEnabledVisualOnly(name, false);
    EXPECT_TRUE(name->isEnabled());
    EXPECT_EQ(name->palette().color(QPalette::Base), buttonFace);
}

TEST_F(MainWindowTest, WithoutAGameOnlyOpenNewAndExitRun)
{
    TfrmMain& window = Open();
    window.show();
    // The Board Editor is allowed without a game, but its window is not part of this build yet.
    const std::set<QString> running = {"mniOpenGame", "mniNewGame", "mniExit"};
    auto expectOnlyThoseEnabled = [&] {
        int items = 0;
        for (QAction* menu : window.menuBar()->actions())
            for (QAction* item : menu->menu()->actions())
                if (!item->isSeparator()) {
                    ++items;
                    EXPECT_EQ(item->isEnabled(), running.contains(item->objectName())) << item->objectName().toStdString();
                }
        EXPECT_EQ(items, 16);
    };
    expectOnlyThoseEnabled();
    EXPECT_TRUE(Item("mniAddBuzzBomb")->isVisible());
    EXPECT_FALSE(Item("mniDeleteBuzzBomb")->isVisible());
    EXPECT_EQ(Item("mniAddBuzzBomb")->shortcut(), QKeySequence("Ctrl+Z"));
    EXPECT_TRUE(Item("mniDeleteBuzzBomb")->shortcut().isEmpty());

    // Coming to the front again does not wake them.
    QEvent activate(QEvent::WindowActivate);
    QApplication::sendEvent(&window, &activate);
    expectOnlyThoseEnabled();

    Item("mniExit")->trigger();
    EXPECT_FALSE(window.isVisible());
}

// No two commands share a shortcut; each menu item has an access key of its own in its menu; a
// label with an access key leads to its field.
TEST_F(MainWindowTest, ShortcutsAndAccessKeysAreUnambiguous)
{
    TfrmMain& window = Open();
    std::set<QKeySequence> shortcuts;
    for (QAction* menu : window.menuBar()->actions()) {
        std::set<QChar> keys;
        for (QAction* item : menu->menu()->actions()) {
            if (item->isSeparator())
                continue;
            const std::string name = item->objectName().toStdString();
            const QString text = item->text();
            const qsizetype amp = text.indexOf('&');
            ASSERT_TRUE(amp >= 0 && amp + 1 < text.size()) << name;
            EXPECT_EQ(text.indexOf('&', amp + 1), -1) << name;
            EXPECT_TRUE(keys.insert(text[amp + 1].toLower()).second) << name << " in " << menu->text().toStdString();
            if (!item->shortcut().isEmpty()) {
                EXPECT_TRUE(shortcuts.insert(item->shortcut()).second) << name;
            }
        }
    }
    EXPECT_GE(shortcuts.size(), 9u);

    int labelsWithKey = 0;
    for (QLabel* label : window.findChildren<QLabel*>()) {
        if (!label->text().contains('&'))
            continue;
        ++labelsWithKey;
        ASSERT_NE(label->buddy(), nullptr) << label->objectName().toStdString();
        EXPECT_TRUE(label->buddy()->focusPolicy() & Qt::TabFocus) << label->objectName().toStdString();
    }
    EXPECT_GE(labelsWithKey, 11);
}

// ---------------------------------------------------------------------------------------------
// Errors that escape an event

TEST_F(MainWindowTest, AnEscapedErrorIsLoggedShownAndTheToolGoesOn)
{
    Open().show();
    Log().SetLevel(1);

    EXPECT_FALSE(NotifyThrowing());

    EXPECT_EQ(Messages.Messages(), std::vector<std::string>{EscapedError});
    std::vector<std::string> lines = LogMessages(LogFile);
    auto start = IndexOf(lines, "TfrmMain.OnApplicationError Start");
    ASSERT_GE(start, 0);
    ASSERT_GE(lines.size(), static_cast<std::size_t>(start + 3));
    EXPECT_EQ(std::vector<std::string>(lines.begin() + start + 1, lines.begin() + start + 3),
        (std::vector<std::string>{EscapedError, "TfrmMain.OnApplicationError End"}));

    // The window still takes commands.
    Item("mniExit")->trigger();
    EXPECT_FALSE(Window->isVisible());
}

TEST_F(MainWindowTest, AnEscapedErrorLeavesOutTheTraceLineAtTheErrorThreshold)
{
    Open();
    Log().SetLevel(2);
    NotifyThrowing();
    EXPECT_EQ(LogMessages(LogFile),
        (std::vector<std::string>{"TfrmMain.OnApplicationError Start", "TfrmMain.OnApplicationError End"}));

    // As the program's entry leaves the threshold: nothing written, the text still shown.
    SetLogFileName(LogFile);
    Log().SetLevel(4);
    Log().SetLevel(7);
    NotifyThrowing();
    EXPECT_FALSE(QFile::exists(QString::fromStdString(LogFile)));
    EXPECT_EQ(Messages.Messages(), (std::vector<std::string>{EscapedError, EscapedError}));
}

TEST_F(MainWindowTest, AFailingCommandReachesTheHandler)
{
    Open();
    // The rebuild cannot write into a folder that does not exist.
    SetExecutableFolder(Folder + "no such folder/");
    auto* button = Control<QPushButton>("btnKillWarning");
    QPoint centre = button->rect().center();
    QMouseEvent press(QEvent::MouseButtonPress, centre, button->mapToGlobal(centre), Qt::LeftButton, Qt::LeftButton, Qt::NoModifier);
    QMouseEvent release(QEvent::MouseButtonRelease, centre, button->mapToGlobal(centre), Qt::LeftButton, Qt::NoButton, Qt::NoModifier);

    // Delivered without a net of its own: the command must deal with its error before it
    // unwinds through Qt's event delivery.
    qApp->notify(button, &press);
    qApp->notify(button, &release);

    ASSERT_EQ(Messages.Messages().size(), 1u);
    EXPECT_TRUE(Contains(Messages.Messages()[0], "Exception EFileError: ")) << Messages.Messages()[0];
    EXPECT_TRUE(Contains(Messages.Messages()[0], "ProgramDeck.xml")) << Messages.Messages()[0];
}

// Whatever is thrown is shown; a handler that fails itself does not end the tool either.
TEST_F(MainWindowTest, AnyThrownValueAndAFailingHandlerAreSurvived)
{
    Open();
    EXPECT_FALSE(TApplication::GuardedNotify(nullptr, []() -> bool { throw 42; }));
    ASSERT_EQ(Messages.Messages().size(), 1u);
    EXPECT_TRUE(Contains(Messages.Messages()[0], "Exception ")) << Messages.Messages()[0];

    TApplicationErrorHandler previous = TApplication::SetErrorHandler(
        [](QObject*, const std::exception&) { throw EFileError("log disk full"); });
    EXPECT_FALSE(NotifyThrowing());
    TApplication::SetErrorHandler(std::move(previous));
}

TEST_F(MainWindowTest, TheHandlerGoesWithTheWindow)
{
    Log().SetLevel(1);
    Open();
    Close();
    NotifyThrowing();
    // Still shown, but no longer by a window that is gone.
    EXPECT_EQ(Messages.Messages(), std::vector<std::string>{EscapedError});
    EXPECT_EQ(IndexOf(LogMessages(LogFile), "TfrmMain.OnApplicationError Start"), -1);
}

// ---------------------------------------------------------------------------------------------
// The hidden rebuild

TEST_F(MainWindowTest, HiddenRebuildWritesTheFiveFilesAsTheBuildersDo)
{
    Open();
    int cards = Session->UnusedProgramDeck()->Count();
    int boards = Session->BoardList()->Count();
    const std::vector<std::string> rebuilt = {
        "ProgramDeck.xml", "BaseOptionDeck.xml", "BoltsAndBlastersOptionDeck.xml", "Boards.xml", "Chits.xml"};
    // Start from files that differ from the built-in tables, so each must be rewritten.
    for (const std::string& name : rebuilt)
        std::ofstream(Folder + name, std::ios::trunc) << "stale";

    Control<QPushButton>("btnKillWarning")->click();

    QTemporaryDir expectedDir;
    ASSERT_TRUE(expectedDir.isValid());
    std::string expected = expectedDir.path().toStdString() + "/";
    BuildProgramDeckFile(expected);
    BuildBaseOptionDeckFile(expected);
    BuildBoltsAndBlastersOptionDeckFile(expected);
    BuildBoardListFile(expected);
    BuildChitListFile(expected);
    for (const std::string& name : rebuilt) {
        std::string written = ReadBytes(Folder + name);
        EXPECT_NE(written, "stale") << name;
        EXPECT_EQ(written, ReadBytes(expected + name)) << name;
    }
    // The window keeps what it loaded.
    EXPECT_EQ(Session->UnusedProgramDeck()->Count(), cards);
    EXPECT_EQ(Session->BoardList()->Count(), boards);
}

// ---------------------------------------------------------------------------------------------
// Tracing

TEST_F(MainWindowTest, StartUpIsTracedWhenTheThresholdAllows)
{
    Log().SetLevel(1);
    Open().show();
    Close();
    std::vector<std::string> lines = LogMessages(LogFile);
    ASSERT_FALSE(lines.empty());
    EXPECT_EQ(lines[0], "TfrmMain.FormCreate Start");
    // In this order, the board list's loading time between the decks and the lookup lists.
    const char* const order[] = {"TfrmMain.FormCreate Start", "TfrmMain.InitializeUnusedDecks Start",
        "TfrmMain.InitializeUnusedDecks End", "FBoardList.LoadFromXMLFile msecs = ",
        "TfrmMain.InitializeLookupFields Start", "TfrmMain.FormCreate End", "TfrmMain.FormShow Start",
        "TfrmMain.UpdateWithGameData Start", "TfrmMain.UpdateWithGameData End", "TfrmMain.FormShow End",
        "TfrmMain.FormDestroy Start", "TfrmMain.DestroyUnusedDecks Start", "TfrmMain.FormDestroy End"};
    static const std::regex timing(R"(FBoardList\.LoadFromXMLFile msecs = \d+)");
    std::ptrdiff_t previous = -1;
    for (const std::string entry : order) {
        auto found = std::find_if(lines.begin(), lines.end(), [&](const std::string& l) {
            return entry.ends_with("= ") ? std::regex_match(l, timing) : l == entry;
        });
        ASSERT_NE(found, lines.end()) << entry;
        EXPECT_GT(found - lines.begin(), previous) << entry;
        previous = found - lines.begin();
    }
}

TEST_F(MainWindowTest, NothingIsLoggedAtTheThresholdTheProgramSets)
{
    StartProcess();
    Open().show();
    Control<QPushButton>("btnKillWarning")->click();
    Close();
    EXPECT_FALSE(QFile::exists(QString::fromStdString(LogFile)));
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
    EXPECT_EQ(LogMessages(LogFile), (std::vector<std::string>{"TfrmMain.Plain Start", "TfrmMain.Guarded Start",
                                        "TfrmMain.Guarded End", "TfrmMain.Normal Start", "TfrmMain.Normal End"}));
}
