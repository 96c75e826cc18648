#include "windows/MainWindowFixture.h"

#include "support/ErrorsUnt.h"
#include "support/LogUnt.h"
#include "support/NotifyUnt.h"
#include "support/RandomUnt.h"
#include "support/UtilsUnt.h"
#include "windows/ApplicationUnt.h"
#include "session/MethodTraceUnt.h"

#include <QApplication>
#include <QComboBox>
#include <QFile>
#include <QLabel>
#include <QLineEdit>
#include <QMenu>
#include <QMenuBar>
#include <QMouseEvent>
#include <QPushButton>
#include <QRegularExpression>
#include <QSpinBox>
#include <QTabWidget>

#include <algorithm>
#include <regex>
#include <set>
#include <string>
#include <vector>

namespace {

const std::string EscapedError = "Exception EFileError: Cannot write file \"x.cgx\".";

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

// Each test has its own log file in the executable folder.
class MainWindowLogTest : public MainWindowTest {
protected:
    void SetUp() override
    {
        MainWindowTest::SetUp();
        LogFile = Folder + "CoglineTurnGenerator.log";
        SetLogFileName(LogFile);
    }
    void TearDown() override
    {
        Close();
        SetLogFileName("");
    }
    void Remove(const std::string& name) { ASSERT_TRUE(QFile::remove(QString::fromStdString(Folder + name))); }

    std::string LogFile;
};

} // namespace

// ---------------------------------------------------------------------------------------------
// Start-up

// Each problem is named in one message, and the window still opens. A damaged file keeps what
// loaded and says where parsing stopped.
TEST_F(MainWindowLogTest, DamagedUnreadableAndEmptyFilesAreReportedTogether)
{
    WriteBytes(Folder + "Chits.xml", "");
    // A folder where a file should be cannot be opened.
    Remove("CoreProgramDeck.xml");
    ASSERT_TRUE(QDir(QString::fromStdString(Folder)).mkdir("CoreProgramDeck.xml"));
    // One typo in the end tag of the first board: only that board can be read.
    std::string bytes = ReadBytes(Folder + "Boards.xml");
    const std::size_t typo = bytes.find("</Board>");
    ASSERT_NE(typo, std::string::npos);
    bytes.replace(typo, 8, "</Bord>");
    WriteBytes(Folder + "Boards.xml", bytes);
    const std::size_t name = typo + 2;
    const std::size_t lineStart = bytes.rfind('\n', name) + 1;
    const std::size_t line = 1 + static_cast<std::size_t>(std::count(bytes.begin(), bytes.begin() + static_cast<std::ptrdiff_t>(name), '\n'));

    Open().show();
    ASSERT_EQ(Messages.Messages().size(), 1u);
    const std::string& text = Messages.Messages()[0];
    EXPECT_TRUE(Contains(text, "\"" + Folder + "CoreProgramDeck.xml\" could not be read")) << text;
    EXPECT_TRUE(Contains(text, "The reference file \"" + Folder + "Boards.xml\" is damaged: parsing stopped at line "
        + std::to_string(line) + ", column " + std::to_string(name - lineStart + 1) + " (byte " + std::to_string(name)
        + "): start-end tags mismatch. Only what came before was loaded (1 entry).")) << text;
    EXPECT_TRUE(Contains(text, "\"" + Folder + "Chits.xml\" holds no entries")) << text;
    EXPECT_FALSE(Contains(text, "OptionDeck.xml")) << text;
    EXPECT_EQ(Session->UnusedOptionDeck(osBaseGame)->Count(), 26);
    EXPECT_EQ(Session->BoardList()->Count(), 1);
}

// ---------------------------------------------------------------------------------------------
// The state without a game

// Disabled fields wear the button colour; enabling one gives it the window colour back. Only
// Open, New and Exit run (the Board Editor's window is not part of this build yet).
TEST_F(MainWindowLogTest, WithoutAGameEveryBotFieldIsDisabledAndOnlyOpenNewAndExitRun)
{
    TfrmMain& window = Open();
    const std::string caption = window.windowTitle().toStdString();
    EXPECT_TRUE(std::regex_match(caption, std::regex(R"(Cogline Turn Generator v\d+\.\d+\.\d+\.\d+)"))) << caption;
    window.show();
    EXPECT_EQ(window.windowTitle().toStdString(), caption);
    EXPECT_EQ(Control<QTabWidget>("pgeBot")->currentWidget(), Control<QWidget>("tabProgram"));
    EXPECT_FALSE(Control<QPushButton>("btnKillWarning")->isVisible());
    EXPECT_FALSE(Control<QLabel>("lblTurn")->isVisible());
    // The start page is in front; behind it the robot's fields wait, off.
    EXPECT_TRUE(Control<QWidget>("pnlStart")->isVisible());
    EXPECT_FALSE(Control<QWidget>("pnlMain")->isVisible());

    // Every control of a robot is off (the read-only option fields aside); its fields wear the
    // button colour.
    const QColor buttonFace = QApplication::palette().color(QPalette::Button);
    const QColor windowColour = QApplication::palette().color(QPalette::Base);
    ASSERT_NE(buttonFace, windowColour);
    const std::set<QString> open = {"lstBotsInPlay", "btnKillWarning", "edtOptionType", "edtOptionKind", "edtOptionSource",
        "edtOptionDamage", "mmoOptionDescription"};
    int controls = 0;
    for (QWidget* control : Control<QWidget>("pnlMain")->findChildren<QWidget*>(QRegularExpression("^(edt|cbx|lst|mmo|btn|bar)"))) {
        const std::string name = control->objectName().toStdString();
        if (open.contains(control->objectName()))
            continue;
        ++controls;
        EXPECT_FALSE(control->isEnabled()) << name;
        if (!name.starts_with("btn") && !name.starts_with("bar")) {
            EXPECT_EQ(control->palette().color(QPalette::Base), buttonFace) << name;
        }
    }
    EXPECT_GE(controls, 31);
    // The lists show no value at all, and the quantity its "none".
    for (const char* list : {"cbxState", "cbxActivityLevel", "cbxFlag", "cbxOptionFacing"})
        EXPECT_EQ(Control<QComboBox>(list)->currentIndex(), -1) << list;
    EXPECT_EQ(Control<QComboBox>("cbxFlag")->count(), 0);
    EXPECT_EQ(Control<QSpinBox>("edtOptionQuantity")->value(), -1);

    auto* name = Control<QLineEdit>("edtPlayerName");
    window.SetControlEnabled(name, true);
    EXPECT_TRUE(name->isEnabled());
    EXPECT_EQ(name->palette().color(QPalette::Base), windowColour);
    window.SetControlEnabledVisualOnly(name, false);
    EXPECT_TRUE(name->isEnabled());
    EXPECT_EQ(name->palette().color(QPalette::Base), buttonFace);

    auto enabledItems = [&] {
        QStringList names;
        for (QAction* menu : window.menuBar()->actions())
            for (QAction* item : menu->menu()->actions())
                if (item->isEnabled() && !item->isSeparator())
                    names << item->objectName();
        return names.join(' ').toStdString();
    };
    const std::string running = "mniOpenGame mniExit mniNewGame mniBoardEditor mniAbout";
    EXPECT_EQ(enabledItems(), running);
    // Coming to the front again does not wake them.
    QEvent activate(QEvent::WindowActivate);
    QApplication::sendEvent(&window, &activate);
    EXPECT_EQ(enabledItems(), running);

    Item("mniExit")->trigger();
    EXPECT_FALSE(window.isVisible());
}

// No two commands share a shortcut (hidden ones included); each menu item has an access key of
// its own in its menu; a label with an access key leads to its field.
TEST_F(MainWindowLogTest, ShortcutsAndAccessKeysAreUnambiguous)
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

// Shown every time; logged between the handler's trace lines as far as the threshold allows
// (the program's own threshold, left by passing 4, writes nothing); the window goes on.
TEST_F(MainWindowLogTest, AnEscapedErrorIsShownLoggedAsTheThresholdAllowsAndTheToolGoesOn)
{
    Open().show();
    const std::string start = "TfrmMain.OnApplicationError Start", end = "TfrmMain.OnApplicationError End";
    const struct {
        std::vector<int> Levels;
        std::vector<std::string> Lines;
    } cases[] = {{{1}, {start, EscapedError, end}}, {{2}, {start, end}}, {{4, 7}, {}}};
    for (const auto& c : cases) {
        SCOPED_TRACE(c.Levels.back());
        SetLogFileName(LogFile);
        for (int level : c.Levels)
            Log().SetLevel(level);
        Messages.Clear();
        EXPECT_FALSE(NotifyThrowing());
        EXPECT_EQ(Messages.Messages(), std::vector<std::string>{EscapedError});
        EXPECT_EQ(LogMessages(LogFile), c.Lines);
        EXPECT_EQ(QFile::exists(QString::fromStdString(LogFile)), !c.Lines.empty());
    }
    // Whatever is thrown is shown; a handler that fails itself does not end the tool either.
    Messages.Clear();
    EXPECT_FALSE(TApplication::GuardedNotify(nullptr, []() -> bool { throw 42; }));
    ASSERT_EQ(Messages.Messages().size(), 1u);
    EXPECT_TRUE(Contains(Messages.Messages()[0], "Exception ")) << Messages.Messages()[0];
    {
        TApplicationErrorHandler previous = TApplication::SetErrorHandler(
            [](QObject*, const std::exception&) { throw EFileError("log disk full"); });
        EXPECT_FALSE(NotifyThrowing());
        TApplication::SetErrorHandler(std::move(previous));
    }
    Item("mniExit")->trigger();
    EXPECT_FALSE(Window->isVisible());

    // The handler goes with the window: still shown, but no longer by a window that is gone.
    Close();
    SetLogFileName(LogFile);
    Log().SetLevel(1);
    Messages.Clear();
    NotifyThrowing();
    EXPECT_EQ(Messages.Messages(), std::vector<std::string>{EscapedError});
    EXPECT_TRUE(LogMessages(LogFile).empty());
}

// ---------------------------------------------------------------------------------------------
// The hidden rebuild

// It rewrites the five files as the builders do; a failure reaches the error handler; and at the
// threshold the program sets, nothing of it is logged.
TEST_F(MainWindowLogTest, HiddenRebuildWritesTheFiveFilesAndReportsAFailureUnlogged)
{
    StartProcess();
    Open().show();
    int cards = Session->UnusedProgramDeck()->Count();
    int boards = Session->BoardList()->Count();
    const std::vector<std::string> rebuilt = {
        "ProgramDeck.xml", "BaseOptionDeck.xml", "BoltsAndBlastersOptionDeck.xml", "Boards.xml", "Chits.xml"};
    // Start from files that differ from the built-in tables, so each must be rewritten.
    for (const std::string& name : rebuilt)
        WriteBytes(Folder + name, "stale");
    auto* button = Control<QPushButton>("btnKillWarning");
    button->click();

    QTemporaryDir expectedDir;
    ASSERT_TRUE(expectedDir.isValid());
    const std::string expected = expectedDir.path().toStdString() + "/";
    BuildProgramDeckFile(expected);
    BuildBaseOptionDeckFile(expected);
    BuildBoltsAndBlastersOptionDeckFile(expected);
    BuildBoardListFile(expected);
    BuildChitListFile(expected);
    for (const std::string& name : rebuilt)
        EXPECT_EQ(ReadBytes(Folder + name), ReadBytes(expected + name)) << name;
    // The window keeps what it loaded.
    EXPECT_EQ(Session->UnusedProgramDeck()->Count(), cards);
    EXPECT_EQ(Session->BoardList()->Count(), boards);
    EXPECT_TRUE(Messages.Messages().empty());

    // The rebuild cannot write into a folder that does not exist. Delivered without a net of its
    // own, the command must deal with its error before it unwinds through Qt's event delivery.
    SetExecutableFolder(Folder + "no such folder/");
    QPoint centre = button->rect().center();
    QMouseEvent press(QEvent::MouseButtonPress, centre, button->mapToGlobal(centre), Qt::LeftButton, Qt::LeftButton, Qt::NoModifier);
    QMouseEvent release(QEvent::MouseButtonRelease, centre, button->mapToGlobal(centre), Qt::LeftButton, Qt::NoButton, Qt::NoModifier);
    qApp->notify(button, &press);
    qApp->notify(button, &release);
    ASSERT_EQ(Messages.Messages().size(), 1u);
    EXPECT_TRUE(Contains(Messages.Messages()[0], "Exception EFileError: ")) << Messages.Messages()[0];
    EXPECT_TRUE(Contains(Messages.Messages()[0], "ProgramDeck.xml")) << Messages.Messages()[0];
    Close();
    EXPECT_FALSE(QFile::exists(QString::fromStdString(LogFile)));
}


// ---------------------------------------------------------------------------------------------
// Tracing

TEST_F(MainWindowLogTest, EveryStartOfTheProgramDealsOtherHands)
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

TEST_F(MainWindowLogTest, AMethodLeftByAnErrorWritesItsEndLineOnlyWhenGuarded)
{
    Log().SetLevel(1);
    using TEnd = std::pair<const char*, TMethodTrace::TEndLine>;
    for (auto [name, endLine] : {TEnd{"TfrmMain.Plain", TMethodTrace::OnReturn}, TEnd{"TfrmMain.Guarded", TMethodTrace::AlsoOnError}}) {
        try {
            TMethodTrace trace(name, endLine);
            throw EFileError("x");
        } catch (const EFileError&) {
        }
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
