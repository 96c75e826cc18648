#include "persist/pzPersistentToXMLObjectUnt.h"

#include "persist/XMLDocUnt.h"
#include "support/ErrorsUnt.h"
#include "support/FileUnt.h"
#include "support/NotifyUnt.h"
#include "support/UtilsUnt.h"
#include "xml/XmlUnt.h"

#include <QFile>

#include <algorithm>
#include <charconv>
#include <cmath>
#include <cstring>
#include <limits>
#include <map>

namespace {
// The objects created while any load runs; the outermost load starts the count afresh.
struct TLoadBudget {
    int Depth = 0;
    std::size_t Created = 0;
    std::size_t Limit = MaxLoadObjects;
};
// Per thread: the reference catalogues are read on a thread of their own at start-up.
thread_local TLoadBudget GLoadBudget;

// Objects made outside the load that is running (children built after their load, the
// prototypes that count what such children will make) count against no load, and the running
// load's count is put back afterwards.
class TLoadBudgetPause {
public:
    TLoadBudgetPause()
        : FSaved(GLoadBudget)
    {
        GLoadBudget = TLoadBudget{};
        GLoadBudget.Limit = std::numeric_limits<std::size_t>::max();
    }
    ~TLoadBudgetPause() { GLoadBudget = FSaved; }
    TLoadBudgetPause(const TLoadBudgetPause&) = delete;
    TLoadBudgetPause& operator=(const TLoadBudgetPause&) = delete;

private:
    TLoadBudget FSaved;
};

[[noreturn]] void RefuseTooManyObjects()
{
    throw ELoadLimitError(Format("The text would make more than %zu objects, far more than any game or reference file.",
        GLoadBudget.Limit));
}

bool IsElementNamed(pugi::xml_node node, const std::string& name)
{
    // The name first: most nodes passed over are elements of another name.
    const char* nodeName = node.name();
    return nodeName[0] == name[0] && std::strcmp(nodeName, name.c_str()) == 0 && node.type() == pugi::node_element;
}

// The first child element of that name, and the next sibling element of its name: the walk
// over the nodes passed by runs inside the parser's library, a call per element found instead
// of calls for every node.
pugi::xml_node FirstElementNamed(pugi::xml_node parent, const std::string& name)
{
    pugi::xml_node node = parent.child(name.c_str());
    while (node && node.type() != pugi::node_element)
        node = node.next_sibling(name.c_str());
    return node;
}

pugi::xml_node NextElementNamed(pugi::xml_node node, const std::string& name)
{
    do
        node = node.next_sibling(name.c_str());
    while (node && node.type() != pugi::node_element);
    return node;
}

// A new object of each class, as its constructor makes it, with the number of objects that
// made (itself and its default children): what reading an element into a new object starts from.
struct TPrototype {
    std::unique_ptr<TpzCustomPersistentToXMLObject> Object;
    std::size_t Made = 0;
};

std::size_t ObjectsInTree(const TpzCustomPersistentToXMLObject& object)
{
    std::size_t count = 1;
    for (const auto& child : object.Objects())
        count += ObjectsInTree(*child);
    return count;
}

// Only loads that keep their text count with prototypes: game opens, on the window's thread.
const TPrototype& PrototypeOf(const TClass& cls)
{
    static std::map<const TClass*, TPrototype> prototypes;
    auto it = prototypes.find(&cls);
    if (it == prototypes.end()) {
        TLoadBudgetPause uncounted;
        TPrototype prototype;
        prototype.Object = cls.Create();
        prototype.Made = ObjectsInTree(*prototype.Object);
        it = prototypes.emplace(&cls, std::move(prototype)).first;
    }
    return it->second;
}

// Every further element of a class makes at least as many objects as the first new one did (its
// constructor's default children): when they cannot fit, the load is refused at once instead of
// after the memory is taken.
void RefuseWhatCannotFit(std::size_t madeByOne, pugi::xml_node node, const std::string& name)
{
    std::size_t more = 0;
    for (pugi::xml_node next = node.next_sibling(); next; next = next.next_sibling())
        if (IsElementNamed(next, name))
            ++more;
    if (more > 0 && madeByOne > (GLoadBudget.Limit - GLoadBudget.Created) / more)
        RefuseTooManyObjects();
}

// Parses a text for a load: refuses one with more elements than any real file before a tree
// is built.
const TXmlParseResult& ParseForLoad(TXMLDoc& doc, std::string_view text)
{
    doc.LoadFromString(text);
    if (const TXmlParseResult& parsed = doc.ParseResult(); parsed.TooLarge)
        throw ELoadLimitError("T" + parsed.Description.substr(1) + ", far more than any game or reference file.");
    return doc.ParseResult();
}

std::map<std::string, const TClass*, std::less<>>& ClassRegistry()
{
    static std::map<std::string, const TClass*, std::less<>> registry;
    return registry;
}

bool IsSetSeparator(char c) { return c == ' ' || c == ',' || c == ']'; }
} // namespace

// ----------------------------------------------------------------------------- enumerations

int TEnumInfo::ValueOf(std::string_view name) const
{
    if (name.empty())
        return -1;
    for (std::size_t i = 0; i < Names.size(); ++i)
        if (Names[i] == name)
            return static_cast<int>(i);
    for (std::size_t i = 0; i < Names.size(); ++i)
        if (EqualsIgnoreCase(Names[i], name))
            return static_cast<int>(i);
    return -1;
}

const std::string& TEnumInfo::NameOf(int value) const
{
    static const std::string none;
    if (value < 0 || static_cast<std::size_t>(value) >= Names.size())
        return none;
    return Names[static_cast<std::size_t>(value)];
}

const TEnumInfo& BooleanInfo()
{
    static const TEnumInfo info{"Boolean", {"False", "True"}};
    return info;
}

// ----------------------------------------------------------------------------- text forms

std::string IntegerToText(std::int64_t value)
{
    char buffer[24];
    auto result = std::to_chars(buffer, buffer + sizeof buffer, value);
    return std::string(buffer, result.ptr);
}

std::int32_t TextToInteger(std::string_view text)
{
    auto value = ParseWholeInteger(text);
    if (!value || *value < INT32_MIN || *value > INT32_MAX)
        return 0;
    return static_cast<std::int32_t>(*value);
}

std::int64_t TextToInt64(std::string_view text) { return ParseWholeInteger(text).value_or(0); }

std::string FloatToText(double value) { return Format("%.15g", value); }

double TextToFloat(std::string_view text)
{
    std::string trimmed = TrimBlanksAndControls(text);
    double value = 0;
    auto result = std::from_chars(trimmed.data(), trimmed.data() + trimmed.size(), value);
    if (result.ec != std::errc() || result.ptr != trimmed.data() + trimmed.size() || !std::isfinite(value))
        return 0;
    return value;
}

std::string CharToText(char value) { return std::string(1, value); }

char TextToChar(std::string_view text) { return text.empty() ? '\0' : text.front(); }

std::string SetToText(const TEnumInfo& info, std::uint32_t mask)
{
    std::string text;
    for (std::size_t i = 0; i < info.Names.size() && i < 32; ++i) {
        if ((mask >> i) & 1u) {
            if (!text.empty())
                text += ',';
            text += info.Names[i];
        }
    }
    return text;
}

std::uint32_t TextToSet(const TEnumInfo& info, std::string_view text)
{
    std::size_t i = 0;
    while (i < text.size() && (text[i] == ' ' || text[i] == '['))
        ++i;
    std::uint32_t mask = 0;
    while (i < text.size()) {
        std::size_t start = i;
        while (i < text.size() && !IsSetSeparator(text[i]))
            ++i;
        int value = info.ValueOf(text.substr(start, i - start));
        if (value >= 0 && value < 32)
            mask |= 1u << value;
        while (i < text.size() && IsSetSeparator(text[i]))
            ++i;
    }
    return mask;
}

void AppendXmlEscapedText(TXmlSink& out, std::string_view text) { out.AppendEscaped(text); }

std::string StringPropertyText(std::string_view text) { return XmlCleanText(text); }

void AppendIntegerText(std::string& out, std::int64_t value)
{
    char buffer[24];
    auto result = std::to_chars(buffer, buffer + sizeof buffer, value);
    out.append(buffer, result.ptr);
}

void AppendIntegerText(TXmlSink& out, std::int64_t value) { AppendIntegerText(out.Text, value); }

TPropInfo WithEscapedWriter(TPropInfo info)
{
    if (info.GetText && !info.WriteText) {
        auto get = info.GetText;
        info.WriteText = [get](const TpzCustomPersistentToXMLObject& o, TXmlSink& out) { out.AppendEscaped(get(o)); };
    }
    return info;
}

TPropInfo PropOther(const char* name)
{
    return TPropInfo{name, TPropKind::Other, nullptr,
        [](const TpzCustomPersistentToXMLObject&) { return std::string(); }, {}, {}};
}

// ----------------------------------------------------------------------------- classes

TClass::TClass(const char* className, const char* xmlName, const TClass* parent, TFactory factory,
    std::vector<TPropInfo> ownProperties)
    : FClassName(className)
    , FXMLName(xmlName ? xmlName : "")
    , FParent(parent)
    , FFactory(factory)
{
    if (parent)
        FProperties = parent->Properties();
    for (TPropInfo& p : ownProperties)
        FProperties.push_back(WithEscapedWriter(std::move(p)));
    for (const TPropInfo& p : FProperties)
        if (!p.Name.empty())
            FPropertyInitials[static_cast<unsigned char>(p.Name[0])] = true;
    if (!FXMLName.empty())
        ClassRegistry()[FXMLName] = this;
}

bool TClass::InheritsFrom(const TClass& other) const
{
    for (const TClass* c = this; c; c = c->FParent)
        if (c == &other)
            return true;
    return false;
}

std::unique_ptr<TpzCustomPersistentToXMLObject> TClass::Create() const
{
    if (!FFactory)
        throw ECogline("Cannot create an instance of the abstract class " + FClassName);
    return std::unique_ptr<TpzCustomPersistentToXMLObject>(FFactory());
}

const TClass* TClass::FindByXMLName(std::string_view xmlName)
{
    auto& registry = ClassRegistry();
    auto it = registry.find(xmlName);
    return it == registry.end() ? nullptr : it->second;
}

// ----------------------------------------------------------------------------- objects

const TClass& TpzCustomPersistentToXMLObject::StaticClass()
{
    static const TClass cls = TClass::Make<TpzCustomPersistentToXMLObject>(
        "TpzCustomPersistentToXMLObject", "", nullptr, {});
    return cls;
}

// A cut element that does not parse alone: the load parses the whole text instead.
struct TElidedUnreadable {};

// The bytes of an element in the kept text of its load, whose children are read from them on
// first use.
struct TpzCustomPersistentToXMLObject::TPendingChildren {
    std::shared_ptr<const std::string> Text;
    std::size_t Begin = 0;
    std::size_t End = 0;
    // The bytes are in the writer's own form, so that a save may write them again as they are
    // instead of building the children to write them.
    bool AsWritten = false;

    std::string_view Bytes() const { return std::string_view(*Text).substr(Begin, End - Begin); }
};

// A load from a kept text. The document read may be what ElideElements left of the text; an
// element it cut is parsed alone when the read reaches its placeholder, and its nodes are read
// from that parse.
struct TpzCustomPersistentToXMLObject::TLoadContext {
    std::shared_ptr<const std::string> Text;
    const std::vector<TElidedElement>* Elided = nullptr;
    std::vector<bool> ElidedRead;
    // The cut element being read: its nodes' offsets count from its Begin.
    const TElidedElement* Current = nullptr;
    pugi::xml_node CurrentRoot;
    // The objects the waiting children will make, counted as they are left in the text.
    std::size_t Waiting = 0;

    // The offset in the kept text of an offset in what was parsed.
    std::size_t TextOffset(std::size_t parsed) const
    {
        if (Current)
            return Current->Begin + parsed;
        return Elided ? ElidedTextOffset(*Elided, parsed) : parsed;
    }

    // The first placeholder at or after the offset in the rest; none while a cut element is read.
    const TElidedElement* FirstElidedFrom(std::size_t at) const
    {
        if (!Elided || Current)
            return nullptr;
        auto it = std::lower_bound(Elided->begin(), Elided->end(), at, [](const TElidedElement& e, std::size_t a) { return e.At < a; });
        return it != Elided->end() ? &*it : nullptr;
    }

    // The cut element whose placeholder the element is; none for any other.
    const TElidedElement* ElidedAt(pugi::xml_node element) const
    {
        const std::ptrdiff_t nameAt = element.offset_debug();
        if (!Elided || nameAt < 1 || element.first_child())
            return nullptr;
        const TElidedElement* e = FirstElidedFrom(static_cast<std::size_t>(nameAt) - 1);
        return e && e->At == static_cast<std::size_t>(nameAt) - 1 ? e : nullptr;
    }

    // Whether a placeholder lies in the parsed bytes from..to: an element holding one is read at
    // once, since what it would make cannot be counted from the placeholder.
    bool HoldsElided(std::size_t from, std::size_t to) const
    {
        const TElidedElement* e = FirstElidedFrom(from);
        return e && e->At < to;
    }

    bool Defer(TpzCustomPersistentToXMLObject& object, pugi::xml_node element)
    {
        std::size_t begin = 0, end = 0;
        if (Current && element == CurrentRoot) {
            begin = Current->Begin;
            end = Current->End;
        } else {
            const pugi::xml_node next = element.next_sibling();
            const std::ptrdiff_t nameAt = element.offset_debug();
            const std::ptrdiff_t nextAt = next ? next.offset_debug() : -1;
            if (nameAt < 1 || nextAt <= nameAt || HoldsElided(static_cast<std::size_t>(nameAt), static_cast<std::size_t>(nextAt)))
                return false;
            if (!FindElementBytes(*Text, element.name(), TextOffset(static_cast<std::size_t>(nameAt)),
                    TextOffset(static_cast<std::size_t>(nextAt)), next.type(), begin, end))
                return false;
        }
        // The load is refused, at once, when the children would take it past the cap, as reading
        // them now would; children whose objects cannot be counted are read now.
        auto room = [] { return GLoadBudget.Limit - std::min(GLoadBudget.Limit, GLoadBudget.Created); };
        std::size_t made = 0;
        if (!CountObjectsToRead(object, element, room() - std::min(room(), Waiting), made))
            return false;
        Waiting += made;
        if (Waiting > room())
            RefuseTooManyObjects();
        object.FPending = std::make_unique<TPendingChildren>(TPendingChildren{Text, begin, end});
        object.FPending->AsWritten = IsWrittenXmlForm(object.FPending->Bytes());
        return true;
    }

    // Reads the cut element into the object as the read of the whole text would.
    void ReadElided(TpzCustomPersistentToXMLObject& object, const TElidedElement& elided, bool lastOfItsKind)
    {
        pugi::xml_document doc;
        ParseCut(doc, elided);
        Current = &elided;
        CurrentRoot = doc.document_element();
        try {
            object.ReadElement(CurrentRoot, this, lastOfItsKind);
        } catch (...) {
            Current = nullptr;
            throw;
        }
        Current = nullptr;
        ElidedRead[static_cast<std::size_t>(&elided - Elided->data())] = true;
    }

    // Every cut element parses, also those that no read reached, as the parse of the whole text
    // would have proved.
    void ParseUnread() const
    {
        for (std::size_t i = 0; i < Elided->size(); ++i)
            if (!ElidedRead[i]) {
                pugi::xml_document doc;
                ParseCut(doc, (*Elided)[i]);
            }
    }

    void ParseCut(pugi::xml_document& doc, const TElidedElement& elided) const
    {
        const std::string_view bytes = std::string_view(*Text).substr(elided.Begin, elided.End - elided.Begin);
        // The placeholder is "<" name "/>", and the element starts with the same "<" and name.
        if (!ParseElidedElement(doc, bytes, bytes.substr(1, elided.PlaceholderSize - 3)))
            throw TElidedUnreadable();
    }
};

TpzCustomPersistentToXMLObject::TpzCustomPersistentToXMLObject() = default;
TpzCustomPersistentToXMLObject::~TpzCustomPersistentToXMLObject() = default;

bool TpzCustomPersistentToXMLObject::DefersChildren(bool) const { return false; }

void TpzCustomPersistentToXMLObject::DescendantChildrenBuilt(TpzCustomPersistentToXMLObject& descendant)
{
    if (FOwner)
        FOwner->DescendantChildrenBuilt(descendant);
}

void TpzCustomPersistentToXMLObject::BuildPendingChildren()
{
    if (!FPending)
        return;
    // Taken first: reading makes and looks up children, which must not come back here.
    const std::unique_ptr<TPendingChildren> pending = std::move(FPending);
    {
        TLoadBudgetPause countedByTheirLoad;
        TPersistentStateScope loading(*this, TPersistentState::Loading);
        pugi::xml_document doc;
        const std::string_view text(*pending->Text);
        if (!ParseXmlPart(doc, text.substr(pending->Begin, pending->End - pending->Begin))
            || !IsElementNamed(doc.document_element(), XMLName()))
            throw ECogline("The children of a " + XMLName() + " cannot be read again from the text they were loaded from.");
        ReadChildren(doc.document_element(), nullptr);
    }
    if (FOwner)
        FOwner->DescendantChildrenBuilt(*this);
}

void TpzCustomPersistentToXMLObject::RegisterChildClass(const TClass& cls)
{
    if (FClassList.capacity() == 0)
        FClassList.reserve(4); // classes register a few each: one allocation, not several
    FClassList.push_back(&cls);
}

TpzCustomPersistentToXMLObject* TpzCustomPersistentToXMLObject::CreateObject(const TClass& cls)
{
    EnsureChildren();
    if (GLoadBudget.Depth > 0 && ++GLoadBudget.Created > GLoadBudget.Limit)
        RefuseTooManyObjects();
    auto child = cls.Create();
    child->FOwner = this;
    if (FObjects.empty() && !FMixed)
        FUniformClass = &cls;
    else if (FUniformClass != &cls)
        FMixed = true;
    FObjects.push_back(std::move(child));
    return FObjects.back().get();
}

int TpzCustomPersistentToXMLObject::CountOf(const TClass& cls) const
{
    EnsureChildren();
    if (IsUniformOf(cls))
        return static_cast<int>(FObjects.size());
    int count = 0;
    for (const auto& child : FObjects)
        if (child->InheritsFrom(cls))
            ++count;
    return count;
}

TpzCustomPersistentToXMLObject* TpzCustomPersistentToXMLObject::ObjectOf(const TClass& cls, int index) const
{
    EnsureChildren();
    if (index < 0)
        return nullptr;
    if (IsUniformOf(cls))
        return static_cast<std::size_t>(index) < FObjects.size() ? FObjects[static_cast<std::size_t>(index)].get() : nullptr;
    for (const auto& child : FObjects)
        if (child->InheritsFrom(cls) && index-- == 0)
            return child.get();
    return nullptr;
}

int TpzCustomPersistentToXMLObject::IndexOfObject(const TClass& cls, const TpzCustomPersistentToXMLObject* child) const
{
    EnsureChildren();
    int index = 0;
    for (const auto& c : FObjects) {
        if (c->InheritsFrom(cls)) {
            if (c.get() == child)
                return index;
            ++index;
        }
    }
    return -1;
}

TpzCustomPersistentToXMLObject* TpzCustomPersistentToXMLObject::FindObject(const TClass& cls, std::string_view id) const
{
    EnsureChildren();
    for (const auto& child : FObjects)
        if (child->InheritsFrom(cls) && child->GetID() == id)
            return child.get();
    return nullptr;
}

void TpzCustomPersistentToXMLObject::RemoveObject(TpzCustomPersistentToXMLObject* child)
{
    if (!child)
        return;
    EnsureChildren();
    auto it = std::find_if(FObjects.begin(), FObjects.end(), [child](const auto& c) { return c.get() == child; });
    if (it == FObjects.end())
        return;
    std::unique_ptr<TpzCustomPersistentToXMLObject> doomed = std::move(*it);
    FObjects.erase(it);
}

void TpzCustomPersistentToXMLObject::DeleteObjectOf(const TClass& cls, int index) { RemoveObject(ObjectOf(cls, index)); }

void TpzCustomPersistentToXMLObject::DeleteObjectByID(const TClass& cls, std::string_view id)
{
    RemoveObject(FindObject(cls, id));
}

void TpzCustomPersistentToXMLObject::ClearObjects()
{
    FPending.reset(); // built only to be cleared, they would come to the same
    while (!FObjects.empty()) {
        FObjects.back()->ClearObjects();
        FObjects.pop_back();
    }
    FUniformClass = nullptr;
    FMixed = false;
}

TpzCustomPersistentToXMLObject* TpzCustomPersistentToXMLObject::AddCopy(TpzCustomPersistentToXMLObject& source, const TClass& cls)
{
    std::string text = source.SaveToXMLString();
    TpzCustomPersistentToXMLObject* copy = CreateObject(cls);
    copy->LoadFromXMLString(text);
    return copy;
}

void TpzCustomPersistentToXMLObject::CopyObjectsFrom(TpzCustomPersistentToXMLObject& source, const TClass* cls)
{
    if (!cls) {
        std::vector<const TClass*> classes = FClassList;
        for (const TClass* c : classes)
            CopyObjectsFrom(source, c);
        return;
    }
    std::vector<TpzCustomPersistentToXMLObject*> sources;
    for (const auto& child : source.Objects())
        if (child->InheritsFrom(*cls))
            sources.push_back(child.get());
    for (TpzCustomPersistentToXMLObject* s : sources)
        AddCopy(*s, *cls);
}

int TpzCustomPersistentToXMLObject::ClassPosition(const TClass& cls) const
{
    for (std::size_t i = 0; i < FClassList.size(); ++i)
        if (FClassList[i] == &cls)
            return static_cast<int>(i);
    return -1;
}

void TpzCustomPersistentToXMLObject::SortObjects()
{
    // Children still waiting in a text the writer wrote lie in the order its save sorted them.
    if (FPending && FPending->AsWritten)
        return;
    EnsureChildren();
    if (FObjects.size() > 1) {
        // Grouping by the position of each child's exact class; stable, unregistered first.
        std::vector<std::pair<int, std::size_t>> keys;
        keys.reserve(FObjects.size());
        bool sorted = true;
        for (std::size_t i = 0; i < FObjects.size(); ++i) {
            keys.emplace_back(ClassPosition(FObjects[i]->ClassType()), i);
            if (i > 0 && keys[i].first < keys[i - 1].first)
                sorted = false;
        }
        if (!sorted) {
            std::stable_sort(keys.begin(), keys.end(), [](const auto& a, const auto& b) { return a.first < b.first; });
            TObjectList reordered;
            reordered.reserve(FObjects.size());
            for (const auto& k : keys)
                reordered.push_back(std::move(FObjects[k.second]));
            FObjects = std::move(reordered);
        }
    }
    for (const auto& child : FObjects)
        child->SortObjects();
}

void TpzCustomPersistentToXMLObject::SortObjectsBy(const TCompare& compare)
{
    EnsureChildren();
    std::stable_sort(FObjects.begin(), FObjects.end(),
        [&compare](const auto& a, const auto& b) { return compare(a.get(), b.get()) < 0; });
}

void TpzCustomPersistentToXMLObject::WriteElement(TXmlSink& sink)
{
    TPersistentStateScope saving(*this, TPersistentState::Saving);
    if (FPending && FPending->AsWritten) {
        if (WriteAsRead(sink))
            return;
        // Its own fields changed since the load: built and sorted, as a save sorts them.
        BuildPendingChildren();
        SortObjects();
    }
    EnsureChildren();
    WriteHead(sink);
    std::string& out = sink.Text;
    bool first = true;
    for (const auto& child : FObjects) {
        if (!first)
            out += "\r\n";
        child->WriteElement(sink);
        first = false;
    }
    out += "</";
    out += XMLName();
    out += '>';
}

bool TpzCustomPersistentToXMLObject::WriteAsRead(TXmlSink& sink)
{
    // An older turn never changes in play: the bytes it was read from are what writing it would
    // give, as long as its own fields, written first, are still what they were.
    TXmlSink head;
    WriteHead(head);
    const std::string_view bytes = FPending->Bytes();
    if (bytes.substr(0, head.Text.size()) != head.Text)
        return false;
    sink.AppendShared(FPending->Text, bytes);
    return true;
}

void TpzCustomPersistentToXMLObject::WriteHead(TXmlSink& sink)
{
    std::string& out = sink.Text;
    const std::string& name = XMLName();
    out += '<';
    out += name;
    if (!FID.empty()) {
        // Escaped also for objects without properties, so that no ID can break the file.
        out += " ID=\"";
        sink.AppendEscaped(FID);
        out += '"';
    }
    if (FVersion != 0) {
        out += " Version=\"";
        AppendIntegerText(out, FVersion);
        out += '"';
    }
    out += '>';
    for (const TPropInfo& p : ClassType().Properties()) {
        if (!p.WriteText)
            continue;
        out += '<';
        out += p.Name;
        out += '>';
        p.WriteText(*this, sink);
        out += "</";
        out += p.Name;
        out += '>';
    }
    sink.Pass();
}

std::string TpzCustomPersistentToXMLObject::SaveToXMLString()
{
    TPersistentStateScope saving(*this, TPersistentState::Saving);
    SortObjects();
    TXmlSink sink;
    WriteElement(sink);
    return std::move(sink.Text);
}

void TpzCustomPersistentToXMLObject::WriteXMLText(const TXmlSink::TConsumer& consume, const TXmlSink::TSharedConsumer& consumeShared)
{
    TPersistentStateScope saving(*this, TPersistentState::Saving);
    SortObjects();
    TXmlSink sink(consume, consumeShared);
    WriteElement(sink);
    sink.Finish();
}

void TpzCustomPersistentToXMLObject::ReadElement(pugi::xml_node element) { ReadElement(element, nullptr, true); }

void TpzCustomPersistentToXMLObject::ReadElement(pugi::xml_node element, TLoadContext* context, bool lastOfItsKind)
{
    if (context) {
        if (const TElidedElement* elided = context->ElidedAt(element)) {
            context->ReadElided(*this, *elided, lastOfItsKind);
            return;
        }
    }
    TPersistentStateScope loading(*this, TPersistentState::Loading);
    // Read over, waiting children are there as if they had been built.
    EnsureChildren();
    FID = AttributeText(element.attribute("ID"));
    CleanXmlText(FID);
    FVersion = ParseLeadingInteger(element.attribute("Version").value());

    // One pass over the children finds the first element of each property and the elements of
    // each registered class. Properties usually come in table order, so the next expected one
    // is tried first.
    const TClass& cls = ClassType();
    const std::vector<TPropInfo>& properties = cls.Properties();
    const std::size_t propertyCount = properties.size();
    pugi::xml_node fewNodes[24];
    std::vector<pugi::xml_node> manyNodes;
    pugi::xml_node* propertyNodes = fewNodes;
    if (propertyCount > std::size(fewNodes)) {
        manyNodes.resize(propertyCount);
        propertyNodes = manyNodes.data();
    }
    bool classInitial[256] = {};
    for (const TClass* registered : FClassList)
        if (!registered->XMLName().empty())
            classInitial[static_cast<unsigned char>(registered->XMLName()[0])] = true;
    bool anyClassChild = false;
    std::size_t expected = 0;
    for (pugi::xml_node child = element.first_child(); child; child = child.next_sibling()) {
        if (child.type() != pugi::node_element)
            continue;
        const char* name = child.name();
        if (cls.HasPropertyInitial(name[0])) {
            std::size_t hit = propertyCount;
            if (expected < propertyCount && std::strcmp(properties[expected].Name.c_str(), name) == 0) {
                hit = expected;
            } else {
                for (std::size_t i = 0; i < propertyCount; ++i)
                    if (std::strcmp(properties[i].Name.c_str(), name) == 0) {
                        hit = i;
                        break;
                    }
            }
            if (hit < propertyCount) {
                if (!propertyNodes[hit])
                    propertyNodes[hit] = child;
                expected = hit + 1;
            }
        }
        if (classInitial[static_cast<unsigned char>(name[0])])
            anyClassChild = true;
    }

    std::string scratch;
    for (std::size_t i = 0; i < propertyCount; ++i)
        if (propertyNodes[i] && properties[i].SetText)
            properties[i].SetText(*this, NodeTextView(propertyNodes[i], scratch));

    if (!anyClassChild)
        return;
    if (context && DefersChildren(lastOfItsKind) && context->Defer(*this, element))
        return;
    ReadChildren(element, context);
}

void TpzCustomPersistentToXMLObject::ReadChildren(pugi::xml_node element, TLoadContext* context)
{
    // Registered classes may repeat; each pass matches children by position again.
    for (const TClass* registered : FClassList) {
        const std::string& xmlName = registered->XMLName();
        if (xmlName.empty())
            continue;
        std::vector<TpzCustomPersistentToXMLObject*> existing;
        for (const auto& child : FObjects)
            if (child->InheritsFrom(*registered))
                existing.push_back(child.get());
        std::size_t k = 0;
        bool checked = false;
        for (pugi::xml_node node = FirstElementNamed(element, xmlName), next; node; node = next) {
            next = NextElementNamed(node, xmlName);
            TpzCustomPersistentToXMLObject* target;
            if (k < existing.size()) {
                target = existing[k];
            } else {
                const std::size_t before = GLoadBudget.Created;
                target = CreateObject(*registered);
                if (!checked) {
                    checked = true;
                    RefuseWhatCannotFit(GLoadBudget.Created - before, node, xmlName);
                }
            }
            ++k;
            target->ReadElement(node, context, !next);
        }
    }
}

bool TpzCustomPersistentToXMLObject::CountObjectsToRead(const TpzCustomPersistentToXMLObject& object,
    pugi::xml_node element, std::size_t cap, std::size_t& made)
{
    const std::vector<const TClass*>& classes = object.FClassList;
    for (std::size_t i = 0; i < classes.size(); ++i)
        for (std::size_t j = i + 1; j < classes.size(); ++j)
            if (!classes[i]->XMLName().empty() && !classes[j]->XMLName().empty()
                && (classes[i]->InheritsFrom(*classes[j]) || classes[j]->InheritsFrom(*classes[i])))
                return false;
    const TObjectList& existing = object.FObjects;
    for (const TClass* registered : classes) {
        const std::string& xmlName = registered->XMLName();
        if (xmlName.empty())
            continue;
        std::size_t next = 0; // where its next existing child is looked for
        for (pugi::xml_node node = FirstElementNamed(element, xmlName); node; node = NextElementNamed(node, xmlName)) {
            // Read into the next existing child of the class, or made new as its constructor makes it.
            while (next < existing.size() && !existing[next]->InheritsFrom(*registered))
                ++next;
            const TpzCustomPersistentToXMLObject* target;
            if (next < existing.size()) {
                target = existing[next++].get();
            } else {
                if (registered->IsAbstract())
                    return false;
                const TPrototype& prototype = PrototypeOf(*registered);
                made += prototype.Made;
                target = prototype.Object.get();
            }
            if (made > cap)
                return true;
            if (!CountObjectsToRead(*target, node, cap, made))
                return false;
            if (made > cap)
                return true;
        }
    }
    return true;
}

void TpzCustomPersistentToXMLObject::LoadFromXMLDoc(const TXMLDoc& doc)
{
    TPersistentStateScope loading(*this, TPersistentState::Loading);
    ClearObjects();
    pugi::xml_node root = doc.Root();
    if (!root)
        return;
    try {
        TLoadContext context;
        context.Text = doc.SourceText();
        if (context.Text && !doc.ElidedElements().empty()) {
            context.Elided = &doc.ElidedElements();
            context.ElidedRead.assign(context.Elided->size(), false);
        }
        ReadElement(root, context.Text ? &context : nullptr, true);
        if (context.Elided)
            context.ParseUnread();
        if (context.Waiting > GLoadBudget.Limit - std::min(GLoadBudget.Limit, GLoadBudget.Created))
            RefuseTooManyObjects();
    } catch (const ELoadLimitError&) {
        // A refused load gives its memory back at once.
        ClearObjects();
        throw;
    }
}

TXmlParseResult TpzCustomPersistentToXMLObject::ReadFromXMLString(std::string_view text)
{
    TPersistentStateScope loading(*this, TPersistentState::Loading);
    TXMLDoc doc;
    TXmlParseResult parsed = ParseForLoad(doc, text);
    LoadFromXMLDoc(doc);
    return parsed;
}

void TpzCustomPersistentToXMLObject::LoadFromXMLString(std::string_view text) { ReadFromXMLString(text); }

void TpzCustomPersistentToXMLObject::LoadFromCompleteXMLString(std::string_view text, const std::string& sourceName)
{
    LoadComplete(text, nullptr, sourceName);
}

void TpzCustomPersistentToXMLObject::LoadFromCompleteXMLString(std::shared_ptr<const std::string> text, const std::string& sourceName)
{
    const std::string_view view = text ? std::string_view(*text) : std::string_view();
    LoadComplete(view, std::move(text), sourceName);
}

void TpzCustomPersistentToXMLObject::LoadComplete(std::string_view text, std::shared_ptr<const std::string> keep,
    const std::string& sourceName)
{
    TPersistentStateScope loading(*this, TPersistentState::Loading);
    try {
        if (keep && LoadElided(text, keep))
            return;
        TXMLDoc doc;
        const TXmlParseResult& parsed = ParseForLoad(doc, text);
        if (!parsed.Complete)
            throw EParseError(Format("%s cannot be read: parsing stopped at %s.", sourceName.c_str(), parsed.Where().c_str()));
        if (!doc.Root())
            throw EParseError(Format("%s cannot be read: it holds no XML element.", sourceName.c_str()));
        doc.KeepSourceText(std::move(keep));
        LoadFromXMLDoc(doc);
    } catch (const ELoadLimitError& error) {
        throw ELoadLimitError(Format("%s cannot be read. %s", sourceName.c_str(), error.what()));
    }
}

bool TpzCustomPersistentToXMLObject::LoadElided(std::string_view text, const std::shared_ptr<const std::string>& keep)
{
    // The tree of a whole campaign's text would take several times its size: the elements whose
    // children may wait in the text are cut out, and each is parsed alone when it is read.
    std::string rest;
    std::vector<TElidedElement> elided;
    if (!ElideElements(text, NamesOfDeferringClasses(), rest, elided) || elided.empty())
        return false;
    TXMLDoc doc;
    if (!doc.LoadFromString(rest))
        return false;
    rest = std::string();
    doc.KeepSourceText(keep, std::move(elided));
    const std::size_t created = GLoadBudget.Created;
    try {
        LoadFromXMLDoc(doc);
        return true;
    } catch (const TElidedUnreadable&) {
        // The whole text is parsed instead, which tells where it is damaged; what was read before
        // goes, as with a load refused for its size.
        ClearObjects();
        GLoadBudget.Created = created;
        return false;
    }
}

const std::vector<std::string>& TpzCustomPersistentToXMLObject::NamesOfDeferringClasses() const
{
    // The classes an element below this object may be read into, from each class's prototype;
    // like the prototypes, only for loads on the window's thread.
    static std::map<const TClass*, std::vector<std::string>> known;
    auto found = known.find(&ClassType());
    if (found != known.end())
        return found->second;
    std::vector<std::string> names;
    std::vector<const TClass*> seen;
    std::vector<const TClass*> waiting(FClassList.begin(), FClassList.end());
    while (!waiting.empty()) {
        const TClass* cls = waiting.back();
        waiting.pop_back();
        if (std::find(seen.begin(), seen.end(), cls) != seen.end() || cls->IsAbstract() || cls->XMLName().empty())
            continue;
        seen.push_back(cls);
        const TpzCustomPersistentToXMLObject& prototype = *PrototypeOf(*cls).Object;
        if (prototype.DefersChildren(false))
            names.push_back(cls->XMLName());
        waiting.insert(waiting.end(), prototype.FClassList.begin(), prototype.FClassList.end());
    }
    return known.emplace(&ClassType(), std::move(names)).first->second;
}

void TpzCustomPersistentToXMLObject::ReadElementByPath(std::string_view text)
{
    TXMLDoc doc;
    ParseForLoad(doc, text);
    pugi::xml_node root = doc.Root();
    if (!root)
        return;
    FID = doc.GetAttribute("", "ID");
    FVersion = ParseLeadingInteger(doc.GetAttribute("", "Version"));
    for (const TPropInfo& p : ClassType().Properties())
        if (p.SetText && doc.NodeExists(p.Name))
            p.SetText(*this, doc.GetNodeText(p.Name));
    for (const TClass* cls : FClassList) {
        if (cls->XMLName().empty())
            continue;
        for (int i = 0;; ++i) {
            pugi::xml_node node = doc.FindElement(Format("%s(%d)", cls->XMLName().c_str(), i));
            if (!node)
                break;
            CreateObject(*cls)->LoadFromXMLStringByPath(XmlElementToString(node));
        }
    }
}

void TpzCustomPersistentToXMLObject::LoadFromXMLStringByPath(std::string_view text)
{
    TPersistentStateScope loading(*this, TPersistentState::Loading);
    ClearObjects();
    ReadElementByPath(text);
}

void TpzCustomPersistentToXMLObject::SaveToXMLFile(const std::string& fileName)
{
    TPersistentStateScope saving(*this, TPersistentState::Saving);
    std::string text = SaveToXMLString();
    std::string content;
    content.reserve(text.size() + 64);
    for (const std::string& line : SplitLines(text)) {
        content += line;
        content += "\r\n";
    }
    // A failed write keeps the old file.
    SaveBytesToFile(fileName, content);
}

namespace {
// The bytes of a file; empty when there is no such file.
std::string ReadFileBytes(const std::string& fileName)
{
    QFile file(QString::fromStdString(fileName));
    if (!file.exists())
        return std::string();
    if (!file.open(QIODevice::ReadOnly))
        throw EFileError(Format("Cannot open file \"%s\". %s", fileName.c_str(), file.errorString().toStdString().c_str()));
    QByteArray bytes = file.readAll();
    return std::string(bytes.constData(), static_cast<std::size_t>(bytes.size()));
}

// The offset in the file's bytes of an offset in its text with CR LF line ends: the lines hold
// the same bytes, only their ends may differ.
std::size_t FileOffset(std::string_view bytes, std::string_view text, std::size_t textOffset, std::size_t line)
{
    std::size_t textLineStart = textOffset;
    while (textLineStart > 0 && text[textLineStart - 1] != '\n')
        --textLineStart;
    std::size_t lineStart = 0;
    for (std::size_t l = 1; l < line && lineStart < bytes.size(); ++l) {
        std::size_t end = bytes.find_first_of("\r\n", lineStart);
        if (end == std::string_view::npos)
            return bytes.size();
        lineStart = end + (bytes[end] == '\r' && end + 1 < bytes.size() && bytes[end + 1] == '\n' ? 2 : 1);
    }
    return std::min(lineStart + (textOffset - textLineStart), bytes.size());
}
} // namespace

std::string ReadXMLFileText(const std::string& fileName) { return JoinLinesWithCrLf(ReadFileBytes(fileName)); }

std::string JoinLinesWithCrLf(std::string_view bytes)
{
    // Every line, as ended by CR LF, CR or LF, is written followed by CR LF, in one pass.
    std::string text;
    text.reserve(bytes.size() + 2);
    std::size_t lastLineStart = 0;
    std::size_t i = 0;
    // The next CR and the next LF, each found with memchr and kept until passed.
    auto next = [&](char c, std::size_t from) {
        const void* hit = from < bytes.size() ? std::memchr(bytes.data() + from, c, bytes.size() - from) : nullptr;
        return hit ? static_cast<std::size_t>(static_cast<const char*>(hit) - bytes.data()) : bytes.size();
    };
    std::size_t nextCR = next('\r', 0), nextLF = next('\n', 0);
    while (i < bytes.size()) {
        if (nextCR < i)
            nextCR = next('\r', i);
        if (nextLF < i)
            nextLF = next('\n', i);
        std::size_t end = std::min(nextCR, nextLF);
        lastLineStart = text.size();
        text.append(bytes.data() + i, end - i);
        text += "\r\n";
        if (end < bytes.size() && bytes[end] == '\r' && end + 1 < bytes.size() && bytes[end + 1] == '\n')
            ++end;
        i = end + 1;
    }
    // An end-of-file mark (byte 26) on the last line is dropped, and the line with it when empty.
    std::size_t eof = text.find('\x1A', lastLineStart);
    if (eof != std::string::npos && eof < text.size() - 2) {
        text.erase(eof, 1);
        if (text.size() - lastLineStart == 2)
            text.resize(lastLineStart);
    }
    return text;
}

TXmlParseResult TpzCustomPersistentToXMLObject::ReadFromXMLFile(const std::string& fileName)
{
    TPersistentStateScope loading(*this, TPersistentState::Loading);
    const std::string bytes = ReadFileBytes(fileName);
    const std::string text = JoinLinesWithCrLf(bytes);
    TXmlParseResult parsed = ReadFromXMLString(text);
    if (!parsed.Complete)
        parsed.Offset = FileOffset(bytes, text, parsed.Offset, parsed.Line);
    return parsed;
}

void TpzCustomPersistentToXMLObject::LoadFromXMLFile(const std::string& fileName) { ReadFromXMLFile(fileName); }

TLoadObjectLimitScope::TLoadObjectLimitScope(std::size_t limit)
    : FPrevious(GLoadBudget.Limit)
{
    GLoadBudget.Limit = limit;
}

TLoadObjectLimitScope::~TLoadObjectLimitScope() { GLoadBudget.Limit = FPrevious; }

TPersistentStateScope::TPersistentStateScope(TpzCustomPersistentToXMLObject& object, TPersistentState state)
    : FObject(object)
    , FState(state)
{
    FObject.BeginState(state);
    if (state == TPersistentState::Loading && GLoadBudget.Depth++ == 0)
        GLoadBudget.Created = 0;
}

TPersistentStateScope::~TPersistentStateScope()
{
    if (FState == TPersistentState::Loading)
        --GLoadBudget.Depth;
    FObject.EndState(FState);
}

bool TpzCustomPersistentToXMLObject::CheckRoundTrip(TpzCustomPersistentToXMLObject& object, const TClass& cls,
    const std::string& firstFileName, const std::string& secondFileName)
{
    std::string text1 = object.SaveToXMLString();
    if (!firstFileName.empty())
        object.SaveToXMLFile(firstFileName);
    auto instance = cls.Create();
    instance->LoadFromXMLString(text1);
    std::string text2 = instance->SaveToXMLString();
    if (!secondFileName.empty())
        instance->SaveToXMLFile(secondFileName);
    bool ok = text1 == text2 && !TrimBlanksAndControls(text1).empty();
    ShowMessage(ok ? "successful load/save" : "failed load/save");
    return ok;
}
