#include "persist/ObjectsUnt.h"
#include "support/ErrorsUnt.h"
#include "support/NotifyUnt.h"
#include "xml/XmlUnt.h"
#include "common/TestFiles.h"

#include <gtest/gtest.h>

#include <QTemporaryDir>

#include <filesystem>

namespace {
enum TColour { coRed, coGreen, coBlue };
const TEnumInfo& ColourInfo()
{
    static const TEnumInfo info{"TColour", {"coRed", "coGreen", "coBlue"}};
    return info;
}
using TColours = TEnumSet<TColour>;

// Stores a value read from the text straight into the field.
template <auto Field>
constexpr auto Set = [](auto& o, auto v) { o.*Field = v; };

// One property of every kind, plus one without value and a write-only one.
class TAllKinds : public TRootObject {
    COGLINE_PERSISTENT_CLASS(TAllKinds)
public:
    int Number = 5;
    std::int64_t Big = 0;
    char Letter = 'x';
    TColour Colour = coGreen;
    bool Flag = false;
    double Ratio = 0;
    std::string Text;
    TColours Colours;
    bool SawLoading = false;

    void SetNumber(int v) { Number = v; SawLoading = Loading(); }
};
COGLINE_DEFINE_CLASS(TAllKinds, "AllKinds", TRootObject,
    PropInteger<TAllKinds>("Number", &TAllKinds::Number, &TAllKinds::SetNumber),
    PropInt64<TAllKinds>("Big", &TAllKinds::Big, Set<&TAllKinds::Big>),
    PropChar<TAllKinds>("Letter", &TAllKinds::Letter, Set<&TAllKinds::Letter>),
    PropEnum<TAllKinds>("Colour", ColourInfo(), &TAllKinds::Colour, Set<&TAllKinds::Colour>),
    PropBoolean<TAllKinds>("Flag", &TAllKinds::Flag, Set<&TAllKinds::Flag>),
    PropFloat<TAllKinds>("Ratio", &TAllKinds::Ratio, Set<&TAllKinds::Ratio>),
    PropString<TAllKinds>("Text", &TAllKinds::Text, Set<&TAllKinds::Text>),
    PropSet<TAllKinds, TColour>("Colours", ColourInfo(), &TAllKinds::Colours, Set<&TAllKinds::Colours>),
    PropOther("Event"),
    PropString<TAllKinds>("WriteOnly", [](const TAllKinds&) { return std::string("w"); }, nullptr))

// Classes without properties, for ordering and positional loading.
class TItemA : public TRootObject {
    COGLINE_PERSISTENT_CLASS(TItemA)
};
COGLINE_DEFINE_CLASS(TItemA, "ItemA", TRootObject)

class TItemB : public TRootObject {
    COGLINE_PERSISTENT_CLASS(TItemB)
};
COGLINE_DEFINE_CLASS(TItemB, "ItemB", TRootObject)

class TItemBB : public TItemB {
    COGLINE_PERSISTENT_CLASS(TItemBB)
};
COGLINE_DEFINE_CLASS(TItemBB, "ItemBB", TItemB)

class TMixedList : public TListObject {
    COGLINE_PERSISTENT_CLASS(TMixedList)
public:
    TMixedList() : TListObject(TItemA::StaticClass()) { RegisterChildClass(TItemB::StaticClass()); }
};
COGLINE_DEFINE_CLASS(TMixedList, "MixedList", TListObject)

// A list whose constructor makes five default items.
class TFiveList : public TListObject {
    COGLINE_PERSISTENT_CLASS(TFiveList)
public:
    TFiveList() : TListObject(TAllKinds::StaticClass())
    {
        for (int i = 1; i <= 5; ++i)
            CreateObject<TAllKinds>()->SetID(std::to_string(i));
    }
};
COGLINE_DEFINE_CLASS(TFiveList, "FiveList", TListObject)

class THolder : public TRootObject {
    COGLINE_PERSISTENT_CLASS(THolder)
public:
    THolder() { RegisterChildClass(TFiveList::StaticClass()); CreateObject<TFiveList>(); }
    std::string Name;
};
COGLINE_DEFINE_CLASS(THolder, "Holder", TRootObject, PropString<THolder>("Name", &THolder::Name, Set<&THolder::Name>))

// Each holder it reads makes seven objects of its own: the holder, its list and five items.
class THolderList : public TListObject {
    COGLINE_PERSISTENT_CLASS(THolderList)
public:
    THolderList() : TListObject(THolder::StaticClass()) {}
};
COGLINE_DEFINE_CLASS(THolderList, "HolderList", TListObject)

std::unique_ptr<TAllKinds> LoadedPtr(const std::string& text)
{
    auto o = std::make_unique<TAllKinds>();
    o->LoadFromXMLString(text);
    return o;
}
#define Loaded(text) (*LoadedPtr(text))

// The IDs of the list's children in order, joined by commas.
std::string IDs(const TListObject& list)
{
    std::string ids;
    for (const auto& child : list.Objects())
        ids += (ids.empty() ? "" : ",") + child->ID();
    return ids;
}
} // namespace

TEST(PersistWrite, AttributesComeFirstThenEveryPropertyInTableOrderEscaped)
{
    TItemA a;
    EXPECT_EQ(a.SaveToXMLString(), "<ItemA></ItemA>");
    a.SetVersion(3);
    EXPECT_EQ(a.SaveToXMLString(), "<ItemA Version=\"3\"></ItemA>");
    a.SetID("say \"hi\" <&>");
    EXPECT_EQ(a.SaveToXMLString(), "<ItemA ID=\"say &#34;hi&#34; &lt;&amp;&gt;\" Version=\"3\"></ItemA>");
    TItemA b;
    b.LoadFromXMLString(a.SaveToXMLString());
    EXPECT_EQ(b.ID(), "say \"hi\" <&>");

    TAllKinds o;
    o.SetID("k");
    o.SetVersion(2);
    o.Number = -12;
    o.Big = 1234567890123LL;
    o.Letter = 'Q';
    o.Colour = coBlue;
    o.Flag = true;
    o.Ratio = 0.1;
    o.Text = "A<B & \"C\" Q&amp;A";
    o.Colours = {coBlue, coRed};
    const std::string text = o.SaveToXMLString();
    EXPECT_EQ(text,
        "<AllKinds ID=\"k\" Version=\"2\"><Number>-12</Number><Big>1234567890123</Big><Letter>Q</Letter>"
        "<Colour>coBlue</Colour><Flag>True</Flag><Ratio>0.1</Ratio><Text>A&lt;B &amp; &#34;C&#34; Q&amp;amp;A</Text>"
        "<Colours>coRed,coBlue</Colours><Event></Event><WriteOnly>w</WriteOnly></AllKinds>");
    EXPECT_EQ(Loaded(text).Text, o.Text); // text that looks like an entity comes back as it was
    // A file written with the ampersand left as it stood is still read as it always was.
    EXPECT_EQ(Loaded("<AllKinds><Text>Q&amp;A</Text></AllKinds>").Text, "Q&A");
    o.Colours = {};
    EXPECT_NE(o.SaveToXMLString().find("<Colours></Colours>"), std::string::npos);
}

// Every value differs from the default, so a value lost on reading changes the text written again.
TEST(PersistRead, EveryKindRoundTripsAtItsLimits)
{
    TAllKinds o;
    o.Number = INT32_MIN;
    o.Big = INT64_MIN;
    o.Letter = '&';
    o.Colour = coRed;
    o.Flag = true;
    o.Ratio = 3.14159265358979;
    o.Text = "line one\r\nline two  ";
    o.Colours = {coGreen, coBlue};
    const std::string text = o.SaveToXMLString();
    EXPECT_EQ(Loaded(text).SaveToXMLString(), text);
    EXPECT_DOUBLE_EQ(Loaded(text).Ratio, 3.14159265358979);
}

TEST(PersistRead, BadValuesFallBackMissingOnesStayAndTheFirstOfRepeatedOnesCounts)
{
    const auto bad = LoadedPtr("<AllKinds Version=\"12abc\"><Number>12abc</Number><Big>x</Big><Letter></Letter>"
                               "<Colour>coPurple</Colour><Flag></Flag><Ratio>1.5.2</Ratio></AllKinds>");
    EXPECT_EQ(bad->Version(), 12);
    EXPECT_EQ(bad->Number, 0);
    EXPECT_EQ(bad->Big, 0);
    EXPECT_EQ(bad->Letter, '\0');
    EXPECT_EQ(bad->Colour, coGreen); // unknown name: unchanged
    EXPECT_FALSE(bad->Flag);         // empty name: unchanged
    EXPECT_EQ(bad->Ratio, 0);
    EXPECT_EQ(Loaded("<AllKinds><Number>99999999999</Number></AllKinds>").Number, 0);
    // Element names are compared exactly, enumeration and boolean names in any letter case.
    const auto r = LoadedPtr("<AllKinds><number>1</number><Colours>coRed</Colours><Text>one</Text><Number>3</Number>"
                             "<Text>two</Text><Flag>true</Flag><Number>4</Number><Colour>COBLUE</Colour></AllKinds>");
    // The letter, not in the text, keeps its default.
    EXPECT_EQ(r->SaveToXMLString(), "<AllKinds><Number>3</Number><Big>0</Big><Letter>x</Letter><Colour>coBlue</Colour>"
        "<Flag>True</Flag><Ratio>0</Ratio><Text>one</Text><Colours>coRed</Colours><Event></Event><WriteOnly>w</WriteOnly></AllKinds>");
}

TEST(PersistRead, Sets)
{
    struct Case { const char* text; TColours expected; } cases[] = {
        {"coRed,coBlue", {coRed, coBlue}},
        {"[coGreen, coBlue]", {coGreen, coBlue}},
        {"  [ coBlue ]", {coBlue}},
        {"coGreen,,coPurple", {coGreen}},
        {"COred]]coblue", {coRed, coBlue}},
        {"", {}},
        {"[]", {}},
        {"coRed,coRed", {coRed}},
    };
    for (const Case& c : cases) {
        TAllKinds r;
        r.Colours = {coGreen};
        r.LoadFromXMLString(std::string("<AllKinds><Colours>") + c.text + "</Colours></AllKinds>");
        EXPECT_EQ(r.Colours, c.expected) << c.text;
    }
}

TEST(PersistState, SettersSeeTheLoadingStateAndNestedGuardsKeepItUntilTheOutermostEnds)
{
    TAllKinds o;
    o.LoadFromXMLString("<AllKinds><Number>1</Number></AllKinds>");
    EXPECT_TRUE(o.SawLoading);
    EXPECT_FALSE(o.Loading());
    o.SetNumber(2);
    EXPECT_FALSE(o.SawLoading);
    {
        TPersistentStateScope outer(o, TPersistentState::Loading);
        // A load inside a load ends its own guard, not the outer one.
        o.LoadFromXMLString("<AllKinds><Number>1</Number></AllKinds>");
        EXPECT_TRUE(o.Loading());
        {
            TPersistentStateScope saving(o, TPersistentState::Saving);
            o.SaveToXMLString();
            EXPECT_TRUE(o.Saving());
            EXPECT_TRUE(o.Loading());
        }
        EXPECT_FALSE(o.Saving());
        EXPECT_TRUE(o.Loading());
        o.SetNumber(2);
        EXPECT_TRUE(o.SawLoading);
    }
    EXPECT_FALSE(o.Loading());
    // A guard left by an error ends as well; an unmatched EndState takes nothing below zero.
    try {
        TPersistentStateScope loading(o, TPersistentState::Loading);
        throw EFileError("x");
    } catch (const EFileError&) {
    }
    EXPECT_FALSE(o.Loading());
    o.EndState(TPersistentState::Loading);
    o.BeginState(TPersistentState::Loading);
    EXPECT_TRUE(o.Loading());
    o.EndState(TPersistentState::Loading);
    EXPECT_FALSE(o.Loading());
}

TEST(PersistOrder, SaveGroupsChildrenByRegisteredClassWithUnregisteredOnesFirst)
{
    TMixedList list;
    list.CreateObject<TItemB>()->SetID("b1");
    list.CreateObject<TItemA>()->SetID("a");
    list.CreateObject<TItemB>()->SetID("b2");
    // TItemBB derives from the registered TItemB but is not registered itself.
    list.CreateObject<TItemBB>()->SetID("bb");
    EXPECT_EQ(list.SaveToXMLString(), "<MixedList><ItemBB ID=\"bb\"></ItemBB>\r\n<ItemA ID=\"a\"></ItemA>\r\n"
                                      "<ItemB ID=\"b1\"></ItemB>\r\n<ItemB ID=\"b2\"></ItemB></MixedList>");
    // The order in memory changed too.
    EXPECT_EQ(IDs(list), "bb,a,b1,b2");
    EXPECT_EQ(list.CountOf(TItemB::StaticClass()), 3); // the TItemBB counted as a TItemB
    EXPECT_EQ(list.Count(), 1);                        // the item class is TItemA
}

TEST(PersistLoad, ReusesDefaultChildrenByPosition)
{
    THolder holder;
    auto* five = holder.ObjectOf<TFiveList>(0);
    five->Items(2)->SetID("kept");
    std::string text = "<Holder><Name>n</Name><FiveList><AllKinds ID=\"x\"><Number>10</Number></AllKinds>"
                       "<AllKinds ID=\"y\"><Number>11</Number></AllKinds></FiveList></Holder>";
    holder.LoadFromXMLString(text);
    // The holder's own children were destroyed; the new list made its five and two were overwritten.
    ASSERT_EQ(holder.CountOf(TFiveList::StaticClass()), 1);
    five = holder.ObjectOf<TFiveList>(0);
    EXPECT_EQ(IDs(*five), "x,y,3,4,5");
    EXPECT_EQ(static_cast<TAllKinds*>(five->Items(1))->Number, 11);
    EXPECT_EQ(holder.Name, "n");
}

// Children beyond the defaults are made, strays are skipped, and what a text without an element
// or cut short holds is all there is.
TEST(PersistLoad, ListsTakeTheChildrenTheTextHolds)
{
    std::string seven, ids;
    for (const char* id : {"n0", "n1", "n2", "n3", "n4", "n5", "n6"}) {
        seven += "<AllKinds ID=\"" + std::string(id) + "\"></AllKinds>";
        ids += (ids.empty() ? "" : ",") + std::string(id);
    }
    const std::pair<std::string, std::string> cases[] = {
        {"<FiveList>" + seven + "<Stray>ignored</Stray>text<!-- comment --></FiveList>", ids},
        {"", ""}, {"garbage", ""}, {"\x01\x02\x03", ""}, {"<", ""}, {"<?xml version=\"1.0\"?>", ""},
    };
    for (const auto& [text, expected] : cases) {
        TFiveList list;
        list.LoadFromXMLString(text);
        EXPECT_EQ(IDs(list), expected) << text;
    }
    TMixedList mixed;
    mixed.LoadFromXMLString("<MixedList><ItemA ID=\"1\"></ItemA><ItemA ID=\"2\"></ItemA><ItemB ID=\"3");
    ASSERT_EQ(mixed.Count(), 2);
    EXPECT_EQ(mixed.Items(1)->ID(), "2");
}

TEST(PersistLoad, ReadingSaysWhereParsingStopped)
{
    // In a file the offset counts the file's own bytes, whatever its line ends.
    TMixedList list;
    QTemporaryDir dir;
    const std::string name = dir.path().toStdString() + "/list.xml";
    for (const char* lineEnd : {"\n", "\r", "\r\n"}) {
        SCOPED_TRACE(testing::PrintToString(lineEnd));
        const std::string bytes = std::string("<MixedList>") + lineEnd + "<ItemA ID=\"a\"></ItemA>" + lineEnd
            + "<ItemA ID=\"b\"></ItemX>" + lineEnd + "</MixedList>" + lineEnd;
        WriteBytes(name, bytes);
        const TXmlParseResult result = list.ReadFromXMLFile(name);
        ASSERT_FALSE(result.Complete);
        EXPECT_EQ(result.Line, 3u);
        ASSERT_LT(result.Offset, bytes.size());
        EXPECT_EQ(bytes.substr(result.Offset, 6), "ItemX>");
        EXPECT_EQ(list.Count(), 2);
    }
}

TEST(PersistLoad, AWholeTextIsRequiredWhereAskedFor)
{
    struct Case { const char* text; const char* message; } cases[] = {
        {"<MixedList><ItemA ID=\"1\"></ItemA><ItemB ID=\"3", "The list \"x\" cannot be read: parsing stopped at line 1, column 45 (byte 44): the text ends"},
        {"<MixedList><ItemA></ItemB></MixedList>", "The list \"x\" cannot be read: parsing stopped at line 1, column 21 (byte 20): start-end tags mismatch."},
        {"", "The list \"x\" cannot be read: it holds no XML element."},
        {"just text", "The list \"x\" cannot be read: it holds no XML element."},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.text);
        TMixedList list;
        list.CreateObject<TItemB>()->SetID("kept");
        try {
            list.LoadFromCompleteXMLString(c.text, "The list \"x\"");
            ADD_FAILURE() << "loaded";
        } catch (const EParseError& e) {
            EXPECT_EQ(std::string(e.what()).rfind(c.message, 0), 0u) << e.what();
            EXPECT_STREQ(e.ClassName(), "EParseError");
        }
        // Nothing of the damaged text was taken.
        EXPECT_EQ(list.SaveToXMLString(), "<MixedList><ItemB ID=\"kept\"></ItemB></MixedList>");
        EXPECT_FALSE(list.Loading());
    }
    TMixedList list;
    list.LoadFromCompleteXMLString("<MixedList><ItemA ID=\"1\"></ItemA></MixedList>\r\n", "The list");
    EXPECT_EQ(list.Count(), 1);
}

TEST(PersistLoad, ALoadMakingMoreObjectsThanTheCapIsRefused)
{
    struct Case {
        int holders;
        int itemsEach; // beyond the five each list makes itself
        std::size_t cap;
        bool refused;
    } cases[] = {
        {10, 0, 70, false}, // exactly the cap
        {11, 0, 70, true},  // seen at the first holder: ten more cannot fit
        {31, 25, 1000, false},
        {32, 25, 1000, true}, // each holder fits the count at its level; the total does not
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(testing::Message() << c.holders << " holders, " << c.itemsEach << " items each, cap " << c.cap);
        const std::string holder = "<Holder><FiveList>" + Repeated("<AllKinds></AllKinds>", 5 + static_cast<std::size_t>(c.itemsEach)) + "</FiveList></Holder>";
        const std::string text = "<HolderList>" + Repeated(holder, static_cast<std::size_t>(c.holders)) + "</HolderList>";
        TLoadObjectLimitScope cap(c.cap);
        THolderList list;
        try {
            list.LoadFromXMLString(text);
            EXPECT_FALSE(c.refused);
            EXPECT_EQ(list.Count(), c.holders);
        } catch (const ELoadLimitError& e) {
            EXPECT_TRUE(c.refused);
            EXPECT_EQ(std::string(e.what()), "The text would make more than " + std::to_string(c.cap)
                + " objects, far more than any game or reference file.");
            // A refused load keeps nothing, and the next one counts afresh.
            EXPECT_EQ(list.Count(), 0);
            list.LoadFromXMLString("<HolderList><Holder></Holder></HolderList>");
            EXPECT_EQ(list.Count(), 1);
        }
        EXPECT_FALSE(list.Loading());
    }
}

TEST(PersistLoad, ByPathGivesTheSameResult)
{
    TMixedList list;
    list.CreateObject<TItemA>()->SetID("a");
    list.CreateObject<TItemB>()->SetID("b");
    TAllKinds o;
    o.Number = 9;
    o.Text = "t&t";
    o.Colours = {coBlue};
    for (TpzCustomPersistentToXMLObject* source : std::initializer_list<TpzCustomPersistentToXMLObject*> {&list, &o}) {
        std::string text = source->SaveToXMLString();
        auto copy = source->ClassType().Create();
        copy->LoadFromXMLStringByPath(text);
        EXPECT_EQ(copy->SaveToXMLString(), text);
    }
}

TEST(PersistObjects, LookupsAndRemoval)
{
    TMixedList list;
    auto* a1 = list.CreateObject<TItemA>();
    a1->SetID("One");
    auto* b = list.CreateObject<TItemB>();
    b->SetID("one");
    auto* a2 = list.CreateObject<TItemA>();
    a2->SetID("two");
    EXPECT_EQ(list.FindObject<TItemA>("one"), nullptr); // exact comparison, class restricted
    EXPECT_EQ(list.FindObject<TItemB>("one"), b);
    EXPECT_EQ(list.FindByID("two"), a2);
    EXPECT_EQ(list.IndexOf(a2), 1);
    EXPECT_EQ(list.IndexOf(b), -1);
    EXPECT_EQ(list.ObjectOf<TItemA>(2), nullptr);
    EXPECT_EQ(list.ObjectOf<TItemA>(-1), nullptr);
    EXPECT_EQ(a1->Owner(), &list);

    TItemA stranger;
    list.RemoveObject(&stranger); // not a child: nothing happens
    list.RemoveObject(nullptr);
    EXPECT_EQ(list.Objects().size(), 3u);
    list.DeleteObjectByID(TItemA::StaticClass(), "One");
    EXPECT_EQ(list.Count(), 1);
    list.Delete(0);
    EXPECT_EQ(list.Count(), 0);
    EXPECT_EQ(list.CountOf(TItemB::StaticClass()), 1);
    list.ClearObjects();
    EXPECT_TRUE(list.Objects().empty());
}

TEST(PersistObjects, CopiesCarryThePersistedContent)
{
    TFiveList source;
    static_cast<TAllKinds*>(source.Items(0))->Text = "copied";
    TMixedList target;
    auto* copy = static_cast<TAllKinds*>(target.AddCopy(*source.Items(0), TAllKinds::StaticClass()));
    EXPECT_EQ(copy->Text, "copied");
    EXPECT_EQ(copy->ID(), "1");

    TFiveList all;
    all.CopyObjectsFrom(source); // every registered class: five more after its own five
    EXPECT_EQ(all.Count(), 10);
    EXPECT_EQ(static_cast<TAllKinds*>(all.Items(5))->Text, "copied");
}

TEST(PersistClasses, RegistryAndAncestry)
{
    EXPECT_EQ(TClass::FindByXMLName("ItemBB"), &TItemBB::StaticClass());
    EXPECT_EQ(TClass::FindByXMLName("Nothing"), nullptr);
    EXPECT_TRUE(TItemBB::StaticClass().InheritsFrom(TItemB::StaticClass()));
    EXPECT_TRUE(TItemBB::StaticClass().InheritsFrom(TRootObject::StaticClass()));
    EXPECT_FALSE(TItemB::StaticClass().InheritsFrom(TItemBB::StaticClass()));
    EXPECT_TRUE(TRootObject::StaticClass().IsAbstract());
    EXPECT_THROW(TListObject::StaticClass().Create(), ECogline);
    auto made = TItemBB::StaticClass().Create();
    EXPECT_EQ(made->XMLName(), "ItemBB");
}

TEST(PersistFiles, LinesEndWithCrLfAndAnEndOfFileMarkOnTheLastLineIsDropped)
{
    QTemporaryDir dir;
    std::string name = dir.path().toStdString() + "/list.xml";
    TMixedList list;
    list.CreateObject<TItemA>()->SetID("a");
    list.CreateObject<TItemA>()->SetID("b");
    list.SaveToXMLFile(name);
    EXPECT_EQ(ReadBytes(name), "<MixedList><ItemA ID=\"a\"></ItemA>\r\n<ItemA ID=\"b\"></ItemA></MixedList>\r\n");

    WriteBytes(name, "<MixedList><ItemA ID=\"z\"></ItemA>\n</MixedList>\n\x1A");
    TMixedList loaded;
    loaded.LoadFromXMLFile(name);
    EXPECT_EQ(IDs(loaded), "z");
    EXPECT_EQ(ReadXMLFileText(name), "<MixedList><ItemA ID=\"z\"></ItemA>\r\n</MixedList>\r\n");

    struct Case { const char* in; const char* out; } cases[] = {
        {"", ""},
        {"a", "a\r\n"},
        {"a\r\nb\rc\nd\n", "a\r\nb\r\nc\r\nd\r\n"},
        {"a\n\n", "a\r\n\r\n"},
        {"a\r\n\x1A", "a\r\n"},
        {"a\r\n\x1A\r\n", "a\r\n"},
        {"a\r\nb\x1A\x1A", "a\r\nb\x1A\r\n"}, // only the first mark goes
        {"a\r\nb\x1A" "c", "a\r\nbc\r\n"},      // within the last line too
        {"a\x1A\r\nb", "a\x1A\r\nb\r\n"},     // not on the last line: kept
        {"\x1A", ""},
    };
    for (const Case& c : cases)
        EXPECT_EQ(JoinLinesWithCrLf(c.in), c.out) << c.in;
}

// A folder in the way of a save is checked with the file writer all saves share
// (FileTest.AFileThatCannotBeReplacedPutsBackTheOnesBeforeIt).
TEST(PersistFiles, MissingFileLoadsNothingAndAFailedSaveRaisesAFileError)
{
    QTemporaryDir dir;
    TMixedList list;
    list.CreateObject<TItemA>();
    list.LoadFromXMLFile(dir.path().toStdString() + "/absent.xml");
    EXPECT_EQ(list.Count(), 0);
    EXPECT_THROW(list.SaveToXMLFile(dir.path().toStdString() + "/no/such/folder/x.xml"), EFileError);
}

TEST(PersistCheck, RoundTripReportsItsResult)
{
    TMessageCapture capture;
    TMixedList list;
    list.CreateObject<TItemA>()->SetID("a");
    QTemporaryDir dir;
    std::string first = dir.path().toStdString() + "/1.xml", second = dir.path().toStdString() + "/2.xml";
    EXPECT_TRUE(TpzCustomPersistentToXMLObject::CheckRoundTrip(list, TMixedList::StaticClass(), first, second));
    EXPECT_TRUE(std::filesystem::exists(first));
    EXPECT_TRUE(std::filesystem::exists(second));
    // A property without a setter is written again by the new instance.
    TAllKinds o;
    EXPECT_TRUE(TpzCustomPersistentToXMLObject::CheckRoundTrip(o, TAllKinds::StaticClass(), "", ""));
    // Loading into another class loses what that class does not know.
    EXPECT_FALSE(TpzCustomPersistentToXMLObject::CheckRoundTrip(o, TItemA::StaticClass(), "", ""));
    EXPECT_EQ(capture.Messages(), (std::vector<std::string>{"successful load/save", "successful load/save", "failed load/save"}));
}
