// Children that a load leaves in its kept text and builds on first use.
#include "persist/ObjectsUnt.h"
#include "persist/XMLDocUnt.h"
#include "support/ErrorsUnt.h"
#include "common/TestFiles.h"

#include <gtest/gtest.h>

#include <functional>
#include <memory>

namespace {
class TCrate : public TRootObject {
    COGLINE_PERSISTENT_CLASS(TCrate)
public:
    std::string Label;
    bool SawLoading = false;
    const std::string& GetLabel() const { return Label; }
    void SetLabel(const std::string& v)
    {
        Label = v;
        SawLoading = Loading();
    }
};
COGLINE_DEFINE_CLASS(TCrate, "Crate", TRootObject, PropString<TCrate>("Label", &TCrate::GetLabel, &TCrate::SetLabel))

class TCrateList : public TListObject {
    COGLINE_PERSISTENT_CLASS(TCrateList)
public:
    TCrateList()
        : TListObject(TCrate::StaticClass())
    {
    }
};
COGLINE_DEFINE_CLASS(TCrateList, "CrateList", TListObject)

// Defers its children unless it is the last of its kind; its constructor makes two crates and a
// crate list, which the load reads into by position.
class TBay : public TRootObject {
    COGLINE_PERSISTENT_CLASS(TBay)
public:
    TBay()
    {
        RegisterChildClass(TCrate::StaticClass());
        RegisterChildClass(TCrateList::StaticClass());
        CreateObject<TCrate>()->SetID("default 1");
        CreateObject<TCrate>()->SetID("default 2");
        CreateObject<TCrateList>();
    }
    int Number = 0;
    int GetNumber() const { return Number; }
    void SetNumber(int v) { Number = v; }

protected:
    bool DefersChildren(bool lastOfItsKind) const override { return !lastOfItsKind; }
};
COGLINE_DEFINE_CLASS(TBay, "Bay", TRootObject, PropInteger<TBay>("Number", &TBay::GetNumber, &TBay::SetNumber))

class TSpecialCrate : public TCrate {
    COGLINE_PERSISTENT_CLASS(TSpecialCrate)
};
COGLINE_DEFINE_CLASS(TSpecialCrate, "SpecialCrate", TCrate)

// Registers a class and one derived from it, so that some children are read twice: what that
// makes cannot be counted without reading.
class TOddBay : public TRootObject {
    COGLINE_PERSISTENT_CLASS(TOddBay)
public:
    TOddBay()
    {
        RegisterChildClass(TSpecialCrate::StaticClass());
        RegisterChildClass(TCrate::StaticClass());
    }

protected:
    bool DefersChildren(bool) const override { return true; }
};
COGLINE_DEFINE_CLASS(TOddBay, "OddBay", TRootObject)

// The store remembers which descendants told it that their children were built.
class TStore : public TListObject {
    COGLINE_PERSISTENT_CLASS(TStore)
public:
    TStore()
        : TListObject(TBay::StaticClass())
    {
        RegisterChildClass(TOddBay::StaticClass());
    }
    TBay* Bays(int index) const { return static_cast<TBay*>(Items(index)); }
    std::vector<const TpzCustomPersistentToXMLObject*> Built;

protected:
    void DescendantChildrenBuilt(TpzCustomPersistentToXMLObject& descendant) override
    {
        Built.push_back(&descendant);
        TListObject::DescendantChildrenBuilt(descendant);
    }
};
COGLINE_DEFINE_CLASS(TStore, "Store", TListObject)

std::string Bay(int number, const std::string& crates)
{
    return "<Bay ID=\"b" + std::to_string(number) + "\"><Number>" + std::to_string(number) + "</Number>" + crates + "</Bay>";
}

const std::string ThreeCrates = "<Crate ID=\"x\"><Label>first</Label></Crate>\r\n<Crate><Label>second</Label></Crate>"
                                "<Crate ID=\"z\"><Label>third &amp; &#233;</Label></Crate>"
                                "<CrateList><Crate ID=\"in\"><Label>listed</Label></Crate></CrateList>";

std::unique_ptr<TStore> LoadKept(const std::string& text)
{
    auto store = std::make_unique<TStore>();
    store->LoadFromCompleteXMLString(std::make_shared<const std::string>(text), "The store");
    return store;
}

std::unique_ptr<TStore> LoadFull(const std::string& text)
{
    auto store = std::make_unique<TStore>();
    store->LoadFromCompleteXMLString(std::string_view(text), "The store");
    return store;
}

// The store saved and read back in full: what it holds, whatever form its text took.
std::string Reread(TStore& store)
{
    return LoadFull(store.SaveToXMLString())->SaveToXMLString();
}

std::vector<bool> Pending(const TStore& store)
{
    std::vector<bool> pending;
    for (const auto& child : store.Objects())
        pending.push_back(child->HasPendingChildren());
    return pending;
}
} // namespace

TEST(DeferredChildren, OlderOnesWaitAndAreBuiltAsAFullLoadBuildsThem)
{
    // Whatever lies between two elements, the deferred one is cut from the text exactly.
    struct Case {
        const char* name;
        std::string separator;
        bool deferred;
        std::string prolog;
    } cases[] = {
        {"nothing", "", true, ""},
        {"line end", "\r\n", true, ""},
        {"text with a reference", "\r\n&amp;&#8364; ", true, ""},
        {"CDATA", "<![CDATA[ </Bay> ]]>", true, ""},
        {"an unregistered element", "<Shed><Bay/><Bay><Crate/></Bay></Shed>", true, ""},
        {"comment", "<!-- </Bay> -->", true, ""},
        {"processing instruction", "<?note </Bay>?>\r\n", true, ""},
        // Behind a document type declaration the text is parsed whole, and no node tells where a
        // comment or processing instruction begins: read at once.
        {"comment in a text parsed whole", "<!-- </Bay> -->", false, "<!DOCTYPE Store>"},
        {"processing instruction in a text parsed whole", "<?note </Bay>?>\r\n", false, "<!DOCTYPE Store>"},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.name);
        const std::string text = c.prolog + "<Store>" + Bay(1, ThreeCrates) + c.separator + Bay(2, "<Crate><Label>only</Label></Crate>")
            + c.separator + Bay(3, ThreeCrates) + "</Store>";
        auto kept = LoadKept(text);
        auto full = LoadFull(text);
        ASSERT_EQ(kept->Count(), 3);
        EXPECT_EQ(Pending(*kept), (std::vector<bool>{c.deferred, c.deferred, false}));
        // What a load reads of the element itself is there at once.
        EXPECT_EQ(kept->Bays(0)->Number, 1);
        EXPECT_EQ(kept->Bays(0)->ID(), "b1");
        EXPECT_TRUE(kept->Built.empty());

        // Waiting children in the writer's form are saved as they were read, not built; the text
        // reads back to what the full load holds, and once built they save its very bytes.
        const std::string saved = full->SaveToXMLString();
        EXPECT_EQ(Reread(*kept), Reread(*full));
        EXPECT_EQ(Pending(*kept), (std::vector<bool>{c.deferred, c.deferred, false}));
        EXPECT_TRUE(kept->Built.empty());
        kept->Bays(0)->BuildPendingChildren();
        kept->Bays(1)->BuildPendingChildren();
        EXPECT_EQ(kept->SaveToXMLString(), saved);
        if (c.deferred) {
            EXPECT_EQ(kept->Built, (std::vector<const TpzCustomPersistentToXMLObject*>{kept->Bays(0), kept->Bays(1)}));
        }
        // What was read is the full load's (the text saved above); the setters saw a load.
        TBay* first = kept->Bays(0);
        ASSERT_EQ(first->CountOf(TCrate::StaticClass()), 3);
        EXPECT_TRUE(first->ObjectOf<TCrate>(2)->SawLoading);
        EXPECT_FALSE(first->Loading());
    }
}

TEST(DeferredChildren, ABayThatHoldsItsOwnEndTagIsReadThroughTheWholeParse)
{
    // Cut at the first "</Bay", the bay does not parse alone: the whole text is parsed instead and
    // read as before; damage found so is reported as the whole parse finds it.
    const std::string odd = Bay(2, "<Crate><Label><![CDATA[</Bay>]]></Label></Crate>");
    const std::string text = "<Store>" + Bay(1, ThreeCrates) + "\r\n" + odd + "\r\n" + Bay(3, ThreeCrates) + "</Store>";
    auto kept = LoadKept(text);
    EXPECT_EQ(Pending(*kept), (std::vector<bool>{true, true, false}));
    EXPECT_EQ(kept->Bays(1)->ObjectOf<TCrate>(0)->Label, "</Bay>");
    EXPECT_EQ(Reread(*kept), Reread(*LoadFull(text)));

    const std::string damaged = "<Store>" + Bay(1, ThreeCrates) + Bay(2, "<Crate><Label>x</Labl></Crate>") + Bay(3, "") + "</Store>";
    TXMLDoc whole;
    ASSERT_FALSE(whole.LoadFromString(damaged));
    TStore store;
    try {
        store.LoadFromCompleteXMLString(std::make_shared<const std::string>(damaged), "The store");
        ADD_FAILURE() << "read";
    } catch (const EParseError& e) {
        EXPECT_EQ(std::string(e.what()), "The store cannot be read: parsing stopped at " + whole.ParseResult().Where() + ".");
    }
    EXPECT_EQ(store.Count(), 0);
    EXPECT_FALSE(store.Loading());
}

TEST(DeferredChildren, EveryOperationOnTheChildrenBuildsThemFirst)
{
    const std::string text = "<Store>" + Bay(1, ThreeCrates) + "\r\n" + Bay(2, ThreeCrates) + "</Store>";
    using TOperation = std::function<std::string(TBay&)>;
    auto ids = [](const TpzCustomPersistentToXMLObject& o) {
        std::string out;
        for (const auto& child : o.Objects())
            out += child->XMLName() + ":" + child->ID() + " ";
        return out;
    };
    struct Case {
        const char* name;
        TOperation operation;
    } cases[] = {
        {"CountOf", [](TBay& b) { return std::to_string(b.CountOf(TCrate::StaticClass())); }},
        {"ObjectOf", [](TBay& b) { return b.ObjectOf<TCrate>(2)->Label; }},
        {"FindObject", [](TBay& b) { return b.FindObject<TCrate>("z")->Label; }},
        {"IndexOfObject", [](TBay& b) { return std::to_string(b.IndexOfObject(TCrate::StaticClass(), b.FindObject<TCrate>("z"))); }},
        {"Objects", ids},
        {"SortObjectsBy", [ids](TBay& b) {
             b.SortObjectsBy([](const TpzCustomPersistentToXMLObject* x, const TpzCustomPersistentToXMLObject* y) {
                 return x->ID().compare(y->ID());
             });
             return ids(b);
         }},
        {"CreateObject", [ids](TBay& b) { b.CreateObject<TCrate>()->SetID("new"); return ids(b); }},
        {"DeleteObjectOf", [ids](TBay& b) { b.DeleteObjectOf(TCrate::StaticClass(), 0); return ids(b); }},
        {"DeleteObjectByID", [ids](TBay& b) { b.DeleteObjectByID(TCrate::StaticClass(), "z"); return ids(b); }},
        {"ClearObjects", [ids](TBay& b) { b.ClearObjects(); return ids(b); }},
        {"CopyObjectsFrom it", [](TBay& b) {
             TBay copy;
             copy.ClearObjects();
             copy.CopyObjectsFrom(b);
             return copy.SaveToXMLString();
         }},
        {"CopyObjectsFrom into it", [ids](TBay& b) {
             TBay source;
             b.CopyObjectsFrom(source, &TCrate::StaticClass());
             return ids(b);
         }},
        {"AddCopy of it", [](TBay& b) {
             TStore other;
             return other.AddCopy(b, TBay::StaticClass())->SaveToXMLString();
         }},
        {"LoadFromXMLString over it", [ids](TBay& b) {
             b.LoadFromXMLString("<Bay><Crate ID=\"only\"></Crate></Bay>");
             return ids(b);
         }},
        {"BuildPendingChildren", [ids](TBay& b) { b.BuildPendingChildren(); return ids(b); }},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.name);
        auto kept = LoadKept(text);
        auto full = LoadFull(text);
        ASSERT_TRUE(kept->Bays(0)->HasPendingChildren());
        EXPECT_EQ(c.operation(*kept->Bays(0)), c.operation(*full->Bays(0)));
        EXPECT_EQ(Reread(*kept), Reread(*full));
    }
}

TEST(DeferredChildren, RemovedOrClearedTheyAreNeverBuilt)
{
    const std::string text = "<Store>" + Bay(1, ThreeCrates) + Bay(2, ThreeCrates) + Bay(3, "") + "</Store>";
    auto kept = LoadKept(text);
    EXPECT_EQ(Pending(*kept), (std::vector<bool>{true, true, false}));
    kept->Delete(0);
    kept->Bays(0)->ClearObjects();
    EXPECT_TRUE(kept->Built.empty());
    EXPECT_EQ(kept->SaveToXMLString(), "<Store>" + Bay(2, "") + "\r\n" + Bay(3, "<Crate ID=\"default 1\"><Label></Label></Crate>\r\n"
        "<Crate ID=\"default 2\"><Label></Label></Crate>\r\n<CrateList></CrateList>") + "</Store>");
    // A new load replaces what waits without building it.
    kept = LoadKept(text);
    kept->LoadFromCompleteXMLString(std::make_shared<const std::string>(text), "The store");
    EXPECT_TRUE(kept->Built.empty());
    EXPECT_EQ(Reread(*kept), Reread(*LoadFull(text)));
}

TEST(DeferredChildren, AnUnparsedOrTextlessLoadDefersNothing)
{
    const std::string text = "<Store>" + Bay(1, ThreeCrates) + Bay(2, ThreeCrates) + "</Store>";
    TStore plain;
    plain.LoadFromXMLString(text);
    EXPECT_EQ(Pending(plain), (std::vector<bool>{false, false}));
    // Elements with nothing to build wait for nothing.
    auto empty = LoadKept("<Store>" + Bay(1, "") + Bay(2, "") + "</Store>");
    EXPECT_EQ(Pending(*empty), (std::vector<bool>{false, false}));
    // A damaged text is refused before anything is kept.
    TStore damaged;
    EXPECT_THROW(damaged.LoadFromCompleteXMLString(std::make_shared<const std::string>(text.substr(0, text.size() - 3)), "The store"),
        EParseError);
    EXPECT_EQ(damaged.Count(), 0);
}

TEST(DeferredChildren, AnEightBitTextIsReadAtOnce)
{
    // Not UTF-8: read as Windows-1252, converted in the parser's own buffer, so no text is kept to
    // read children from later.
    const std::string text = "<Store>" + Bay(1, "<Crate><Label>caf\xE9 \x80</Label></Crate>") + "\r\n"
        + Bay(2, "<Crate><Label>\xFC\xFC\xFC</Label></Crate>") + Bay(3, "<Crate><Label>\xE9</Label></Crate>") + "</Store>";
    auto kept = LoadKept(text);
    auto full = LoadFull(text);
    EXPECT_EQ(Pending(*kept), (std::vector<bool>{false, false, false}));
    EXPECT_EQ(kept->Bays(0)->ObjectOf<TCrate>(0)->Label, "caf\xC3\xA9 \xE2\x82\xAC");
    EXPECT_EQ(kept->SaveToXMLString(), full->SaveToXMLString());
}

TEST(DeferredChildren, ChildrenThatCannotBeCountedAreReadAtOnce)
{
    const std::string odd = "<OddBay><SpecialCrate ID=\"s\"></SpecialCrate><Crate ID=\"c\"></Crate></OddBay>";
    const std::string text = "<Store>" + odd + odd + "</Store>";
    auto kept = LoadKept(text);
    EXPECT_EQ(Pending(*kept), (std::vector<bool>{false, false}));
    EXPECT_EQ(kept->SaveToXMLString(), LoadFull(text)->SaveToXMLString());
}

TEST(DeferredChildren, TheCapCountsWhatTheDeferredChildrenWillMake)
{
    // Each bay makes four objects of its own (itself, two crates and a list), and each crate
    // beyond the two defaults one more.
    const std::string text = "<Store>" + Repeated(Bay(1, Repeated("<Crate></Crate>", 12)), 9) + Bay(2, "") + "</Store>";
    const std::size_t needed = 10 * 4 + 9 * 10;
    for (std::size_t cap : {needed, needed - 1, std::size_t{45}, std::size_t{39}}) {
        SCOPED_TRACE(cap);
        const bool fits = cap >= needed;
        for (bool keep : {true, false}) {
            SCOPED_TRACE(keep ? "kept" : "full");
            TLoadObjectLimitScope limit(cap);
            TStore store;
            try {
                if (keep)
                    store.LoadFromCompleteXMLString(std::make_shared<const std::string>(text), "The store");
                else
                    store.LoadFromCompleteXMLString(std::string_view(text), "The store");
                EXPECT_TRUE(fits);
                EXPECT_EQ(Pending(store).front(), keep);
            } catch (const ELoadLimitError& e) {
                EXPECT_FALSE(fits);
                EXPECT_EQ(std::string(e.what()), "The store cannot be read. The text would make more than " + std::to_string(cap)
                    + " objects, far more than any game or reference file.");
                EXPECT_EQ(store.Count(), 0);
            }
            EXPECT_FALSE(store.Loading());
            // Built later, the children count against no load.
            TLoadObjectLimitScope tiny(1);
            if (fits) {
                EXPECT_EQ(store.Bays(0)->CountOf(TCrate::StaticClass()), 12);
            }
        }
    }
}
