#pragma once
#include "support/EnumSetUnt.h"

#include <cstddef>
#include <cstdint>
#include <functional>
#include <memory>
#include <string>
#include <string_view>
#include <type_traits>
#include <vector>

namespace pugi {
class xml_node;
}

class TpzCustomPersistentToXMLObject;
class TClass;
class TXMLDoc;
class TXmlSink;         // xml/XmlUnt.h
struct TXmlParseResult; // xml/XmlUnt.h

// ---------------------------------------------------------------------------------------------
// Enumerations: one table of value names per type; the XML format writes and reads these names.
struct TEnumInfo {
    std::string TypeName;
    std::vector<std::string> Names;

    // Ordinal of the value whose name equals the text without regard to letter case; -1 if none.
    int ValueOf(std::string_view name) const;
    const std::string& NameOf(int value) const;
};

const TEnumInfo& BooleanInfo(); // "False", "True"

// ---------------------------------------------------------------------------------------------
// Published properties: a class's persisted fields, each with its text form.
enum class TPropKind { Integer, Int64, Char, Enumeration, Float, String, Set, Other };

struct TPropInfo {
    std::string Name;
    TPropKind Kind = TPropKind::Other;
    const TEnumInfo* Enum = nullptr; // for enumerations and sets
    std::function<std::string(const TpzCustomPersistentToXMLObject&)> GetText; // empty: not written
    std::function<void(TpzCustomPersistentToXMLObject&, std::string_view)> SetText; // empty: not read
    // Appends the value as the XML text of its element (escaped); set whenever GetText is.
    std::function<void(const TpzCustomPersistentToXMLObject&, TXmlSink&)> WriteText;
};

// Fills WriteText from GetText where a maker gave no faster one.
TPropInfo WithEscapedWriter(TPropInfo info);
void AppendIntegerText(std::string& out, std::int64_t value);
void AppendIntegerText(TXmlSink& out, std::int64_t value);

// Text forms of the property kinds.
std::string IntegerToText(std::int64_t value);
std::int32_t TextToInteger(std::string_view text);
std::int64_t TextToInt64(std::string_view text);
std::string FloatToText(double value);
double TextToFloat(std::string_view text);
std::string CharToText(char value);
char TextToChar(std::string_view text);
std::string SetToText(const TEnumInfo& info, std::uint32_t mask);
std::uint32_t TextToSet(const TEnumInfo& info, std::string_view text);

void AppendXmlEscapedText(TXmlSink& out, std::string_view text);
// The text a string property is given on reading: its clean form (XmlCleanText).
std::string StringPropertyText(std::string_view text);

namespace prop_detail {
template <class T>
const T& As(const TpzCustomPersistentToXMLObject& o) { return static_cast<const T&>(o); }
template <class T>
T& As(TpzCustomPersistentToXMLObject& o) { return static_cast<T&>(o); }
} // namespace prop_detail

// Property makers. Getters and setters are member function pointers or callables taking the
// object; pass nullptr for a property that is only written or only read.
template <class T, class G, class S>
TPropInfo PropInteger(const char* name, G get, S set)
{
    TPropInfo p{name, TPropKind::Integer, nullptr, {}, {}, {}};
    if constexpr (!std::is_null_pointer_v<G>) {
        p.GetText = [get](const TpzCustomPersistentToXMLObject& o) {
            return IntegerToText(static_cast<std::int64_t>(std::invoke(get, prop_detail::As<T>(o))));
        };
        p.WriteText = [get](const TpzCustomPersistentToXMLObject& o, TXmlSink& out) {
            AppendIntegerText(out, static_cast<std::int64_t>(std::invoke(get, prop_detail::As<T>(o))));
        };
    }
    if constexpr (!std::is_null_pointer_v<S>)
        p.SetText = [set](TpzCustomPersistentToXMLObject& o, std::string_view t) {
            std::invoke(set, prop_detail::As<T>(o), TextToInteger(t));
        };
    return p;
}

template <class T, class G, class S>
TPropInfo PropInt64(const char* name, G get, S set)
{
    TPropInfo p{name, TPropKind::Int64, nullptr, {}, {}, {}};
    if constexpr (!std::is_null_pointer_v<G>)
        p.GetText = [get](const TpzCustomPersistentToXMLObject& o) {
            return IntegerToText(static_cast<std::int64_t>(std::invoke(get, prop_detail::As<T>(o))));
        };
    if constexpr (!std::is_null_pointer_v<S>)
        p.SetText = [set](TpzCustomPersistentToXMLObject& o, std::string_view t) {
            std::invoke(set, prop_detail::As<T>(o), TextToInt64(t));
        };
    return p;
}

template <class T, class G, class S>
TPropInfo PropChar(const char* name, G get, S set)
{
    TPropInfo p{name, TPropKind::Char, nullptr, {}, {}, {}};
    if constexpr (!std::is_null_pointer_v<G>)
        p.GetText = [get](const TpzCustomPersistentToXMLObject& o) {
            return CharToText(std::invoke(get, prop_detail::As<T>(o)));
        };
    if constexpr (!std::is_null_pointer_v<S>)
        p.SetText = [set](TpzCustomPersistentToXMLObject& o, std::string_view t) {
            std::invoke(set, prop_detail::As<T>(o), TextToChar(t));
        };
    return p;
}

template <class T, class G, class S>
TPropInfo PropFloat(const char* name, G get, S set)
{
    TPropInfo p{name, TPropKind::Float, nullptr, {}, {}, {}};
    if constexpr (!std::is_null_pointer_v<G>)
        p.GetText = [get](const TpzCustomPersistentToXMLObject& o) {
            return FloatToText(static_cast<double>(std::invoke(get, prop_detail::As<T>(o))));
        };
    if constexpr (!std::is_null_pointer_v<S>)
        p.SetText = [set](TpzCustomPersistentToXMLObject& o, std::string_view t) {
            std::invoke(set, prop_detail::As<T>(o), TextToFloat(t));
        };
    return p;
}

template <class T, class G, class S>
TPropInfo PropString(const char* name, G get, S set)
{
    TPropInfo p{name, TPropKind::String, nullptr, {}, {}, {}};
    if constexpr (!std::is_null_pointer_v<G>) {
        p.GetText = [get](const TpzCustomPersistentToXMLObject& o) {
            return std::string(std::invoke(get, prop_detail::As<T>(o)));
        };
        p.WriteText = [get](const TpzCustomPersistentToXMLObject& o, TXmlSink& out) {
            AppendXmlEscapedText(out, std::invoke(get, prop_detail::As<T>(o)));
        };
    }
    if constexpr (!std::is_null_pointer_v<S>)
        p.SetText = [set](TpzCustomPersistentToXMLObject& o, std::string_view t) {
            std::invoke(set, prop_detail::As<T>(o), StringPropertyText(t));
        };
    return p;
}

// An enumeration: written as the value's name; an unknown or empty name leaves it unchanged.
template <class T, class G, class S>
TPropInfo PropEnum(const char* name, const TEnumInfo& info, G get, S set)
{
    TPropInfo p{name, TPropKind::Enumeration, &info, {}, {}, {}};
    const TEnumInfo* e = &info;
    if constexpr (!std::is_null_pointer_v<G>) {
        p.GetText = [get, e](const TpzCustomPersistentToXMLObject& o) {
            return e->NameOf(static_cast<int>(std::invoke(get, prop_detail::As<T>(o))));
        };
        p.WriteText = [get, e](const TpzCustomPersistentToXMLObject& o, TXmlSink& out) {
            AppendXmlEscapedText(out, e->NameOf(static_cast<int>(std::invoke(get, prop_detail::As<T>(o)))));
        };
    }
    if constexpr (!std::is_null_pointer_v<S>)
        p.SetText = [set, e](TpzCustomPersistentToXMLObject& o, std::string_view t) {
            int v = e->ValueOf(t);
            if (v < 0)
                return;
            using Arg = std::invoke_result_t<G, const T&>;
            std::invoke(set, prop_detail::As<T>(o), static_cast<std::decay_t<Arg>>(v));
        };
    return p;
}

template <class T, class G, class S>
TPropInfo PropBoolean(const char* name, G get, S set)
{
    return PropEnum<T>(name, BooleanInfo(), get, set);
}

// A set of an enumeration held as a TEnumSet.
template <class T, class E, class G, class S>
TPropInfo PropSet(const char* name, const TEnumInfo& info, G get, S set)
{
    TPropInfo p{name, TPropKind::Set, &info, {}, {}, {}};
    const TEnumInfo* e = &info;
    if constexpr (!std::is_null_pointer_v<G>)
        p.GetText = [get, e](const TpzCustomPersistentToXMLObject& o) {
            return SetToText(*e, TEnumSet<E>(std::invoke(get, prop_detail::As<T>(o))).Mask());
        };
    if constexpr (!std::is_null_pointer_v<S>)
        p.SetText = [set, e](TpzCustomPersistentToXMLObject& o, std::string_view t) {
            std::invoke(set, prop_detail::As<T>(o), TEnumSet<E>::FromMask(TextToSet(*e, t)));
        };
    return p;
}

// A property of another kind (object, event, variant): written empty, never read.
TPropInfo PropOther(const char* name);

// ---------------------------------------------------------------------------------------------
// Class information: element name, construction by class, ancestry and the property table.
class TClass {
public:
    using TFactory = TpzCustomPersistentToXMLObject* (*)();

    TClass(const TClass&) = delete;
    TClass& operator=(const TClass&) = delete;

    const std::string& ClassName() const { return FClassName; }
    // Empty for abstract classes, which are never written as themselves.
    const std::string& XMLName() const { return FXMLName; }
    const TClass* Parent() const { return FParent; }
    bool IsAbstract() const { return FFactory == nullptr; }
    // This class or derived from it.
    bool InheritsFrom(const TClass& other) const;
    // Inherited properties first, in declaration order.
    const std::vector<TPropInfo>& Properties() const { return FProperties; }
    // Whether some property name begins with the character: a quick no before any comparison.
    bool HasPropertyInitial(char c) const { return FPropertyInitials[static_cast<unsigned char>(c)]; }
    std::unique_ptr<TpzCustomPersistentToXMLObject> Create() const;

    // Registry of concrete classes by element name.
    static const TClass* FindByXMLName(std::string_view xmlName);

    template <class T>
    static TClass Make(const char* className, const char* xmlName, const TClass* parent,
        std::vector<TPropInfo> ownProperties)
    {
        TFactory factory = nullptr;
        if constexpr (!std::is_abstract_v<T> && std::is_default_constructible_v<T>)
            factory = []() -> TpzCustomPersistentToXMLObject* { return new T(); };
        if (xmlName == nullptr || *xmlName == '\0')
            factory = nullptr;
        return TClass(className, xmlName, parent, factory, std::move(ownProperties));
    }

private:
    // Registers itself by element name; guaranteed copy elision keeps the address stable.
    TClass(const char* className, const char* xmlName, const TClass* parent, TFactory factory,
        std::vector<TPropInfo> ownProperties);

    std::string FClassName;
    std::string FXMLName;
    const TClass* FParent;
    TFactory FFactory;
    std::vector<TPropInfo> FProperties;
    bool FPropertyInitials[256] = {};
};

// Declares the class-level information of a persistent class (in its class body).
#define COGLINE_PERSISTENT_CLASS(T)                                                  \
public:                                                                              \
    static const TClass& StaticClass();                                              \
    const TClass& ClassType() const override { return T::StaticClass(); }            \
                                                                                     \
private:

// Defines it (in the unit's source): element name, base class and own published properties.
#define COGLINE_DEFINE_CLASS(T, XmlName, Base, ...)                                  \
    const TClass& T::StaticClass()                                                   \
    {                                                                                \
        static const TClass cls = TClass::Make<T>(#T, XmlName, &Base::StaticClass(), \
            std::vector<TPropInfo>{__VA_ARGS__});                                    \
        return cls;                                                                  \
    }

// ---------------------------------------------------------------------------------------------
enum class TPersistentState { Loading, Saving };

// A league's campaign of 500 turns of eight robots makes about 592,000 objects. A load that
// would make more than this many (the default children of new objects included) is refused with
// ELoadLimitError before it fills the memory, and the object it was reading into is left without
// children.
inline constexpr std::size_t MaxLoadObjects = 1'000'000;

// Puts another cap in force while it lives, so that tests reach it without making millions of
// objects.
class TLoadObjectLimitScope {
public:
    explicit TLoadObjectLimitScope(std::size_t limit);
    ~TLoadObjectLimitScope();
    TLoadObjectLimitScope(const TLoadObjectLimitScope&) = delete;
    TLoadObjectLimitScope& operator=(const TLoadObjectLimitScope&) = delete;

private:
    std::size_t FPrevious;
};

class TpzCustomPersistentToXMLObject {
public:
    using TObjectList = std::vector<std::unique_ptr<TpzCustomPersistentToXMLObject>>;
    // Negative when a sorts before b.
    using TCompare = std::function<int(const TpzCustomPersistentToXMLObject*, const TpzCustomPersistentToXMLObject*)>;

    TpzCustomPersistentToXMLObject();
    virtual ~TpzCustomPersistentToXMLObject();
    TpzCustomPersistentToXMLObject(const TpzCustomPersistentToXMLObject&) = delete;
    TpzCustomPersistentToXMLObject& operator=(const TpzCustomPersistentToXMLObject&) = delete;

    static const TClass& StaticClass();
    virtual const TClass& ClassType() const = 0;
    const std::string& XMLName() const { return ClassType().XMLName(); }
    bool InheritsFrom(const TClass& cls) const { return ClassType().InheritsFrom(cls); }
    template <class T>
    bool Is() const { return InheritsFrom(T::StaticClass()); }

    virtual void SortObjects();
    virtual std::string GetID() const { return FID; }
    virtual std::string SaveToXMLString();
    // The same text handed on in pieces as it is written, so that it is never held whole; with
    // consumeShared, the children still waiting in a kept text go to it by reference.
    void WriteXMLText(const std::function<void(std::string_view)>& consume,
        const std::function<void(const std::shared_ptr<const std::string>&, std::string_view)>& consumeShared = nullptr);
    // Loads keep what was parsed before an error in the text (ReadFromXMLString says where it
    // stopped); ELoadLimitError when the text is too large to be real.
    virtual void LoadFromXMLString(std::string_view text);
    virtual void LoadFromXMLStringByPath(std::string_view text);
    virtual void SaveToXMLFile(const std::string& fileName);
    virtual void LoadFromXMLFile(const std::string& fileName);
    // The same loads, telling how far the parser read; for a file, Offset counts its bytes on disk.
    TXmlParseResult ReadFromXMLString(std::string_view text);
    TXmlParseResult ReadFromXMLFile(const std::string& fileName);
    // A load that takes only a whole text: one that cannot be parsed to its end or holds no
    // element raises EParseError naming the source ("The game file ...") and where parsing
    // stopped, and the object is left as it was.
    void LoadFromCompleteXMLString(std::string_view text, const std::string& sourceName);
    // The same, keeping the text so that objects whose class defers its children (see
    // DefersChildren) read them from it on first use instead. Such elements are parsed one at a
    // time, so that the tree of the whole text is never built: damage inside one is found once
    // what comes before it has been read, and the object is then left without children, as a
    // load refused for its size leaves it. Load into a new object.
    void LoadFromCompleteXMLString(std::shared_ptr<const std::string> text, const std::string& sourceName);
    virtual void SortObjectsBy(const TCompare& compare);
    // Saves the object, loads the text into a new instance of the class, saves that again and
    // compares; shows "successful load/save" or "failed load/save".
    static bool CheckRoundTrip(TpzCustomPersistentToXMLObject& object, const TClass& cls,
        const std::string& firstFileName, const std::string& secondFileName);

    void RegisterChildClass(const TClass& cls);
    TpzCustomPersistentToXMLObject* CreateObject(const TClass& cls);
    template <class T>
    T* CreateObject() { return static_cast<T*>(CreateObject(T::StaticClass())); }
    int CountOf(const TClass& cls) const;
    TpzCustomPersistentToXMLObject* ObjectOf(const TClass& cls, int index) const;
    template <class T>
    T* ObjectOf(int index) const { return static_cast<T*>(ObjectOf(T::StaticClass(), index)); }
    int IndexOfObject(const TClass& cls, const TpzCustomPersistentToXMLObject* child) const;
    TpzCustomPersistentToXMLObject* FindObject(const TClass& cls, std::string_view id) const;
    template <class T>
    T* FindObject(std::string_view id) const { return static_cast<T*>(FindObject(T::StaticClass(), id)); }
    void RemoveObject(TpzCustomPersistentToXMLObject* child);
    void DeleteObjectOf(const TClass& cls, int index);
    void DeleteObjectByID(const TClass& cls, std::string_view id);
    void ClearObjects();
    TpzCustomPersistentToXMLObject* AddCopy(TpzCustomPersistentToXMLObject& source, const TClass& cls);
    void CopyObjectsFrom(TpzCustomPersistentToXMLObject& source, const TClass* cls = nullptr);

    const std::string& ID() const { return FID; }
    void SetID(const std::string& id) { FID = id; }
    int Version() const { return FVersion; }
    void SetVersion(int version) { FVersion = version; }
    // States nest: each BeginState counts, and the state lasts until as many EndState calls have
    // come. TPersistentStateScope pairs them.
    bool HasState(TPersistentState s) const { return FStateDepth[Index(s)] > 0; }
    void BeginState(TPersistentState s) { ++FStateDepth[Index(s)]; }
    void EndState(TPersistentState s)
    {
        if (FStateDepth[Index(s)] > 0)
            --FStateDepth[Index(s)];
    }
    bool Loading() const { return HasState(TPersistentState::Loading); }
    bool Saving() const { return HasState(TPersistentState::Saving); }

    // Children that a load left in its text are built before any of these reads or changes the
    // children, so no caller ever sees them missing.
    const TObjectList& Objects() const
    {
        EnsureChildren();
        return FObjects;
    }
    // Whether the children still wait in the text the object was loaded from.
    bool HasPendingChildren() const { return FPending != nullptr; }
    // Builds them now, as the load would have; nothing when none wait.
    void BuildPendingChildren();
    const std::vector<const TClass*>& ClassList() const { return FClassList; }
    // The object whose child this is; none for a top-level object.
    TpzCustomPersistentToXMLObject* Owner() const { return FOwner; }

protected:
    // Replaces the content with the document's root element (with none, the object is left
    // without children). Every load ends here; a class extends it to set up what a load needs.
    virtual void LoadFromXMLDoc(const TXMLDoc& doc);
    // Reads a parsed element into this object: ID, Version, properties, then children by
    // registered class, reusing existing children by position.
    void ReadElement(pugi::xml_node element);
    void ReadElementByPath(std::string_view text);
    // Appends the element text of this object and its children.
    void WriteElement(TXmlSink& out);
    // The start tag and the properties.
    void WriteHead(TXmlSink& out);
    // Children still waiting in the writer's own text are written as they were read; false when
    // the object's own fields no longer start those bytes.
    bool WriteAsRead(TXmlSink& out);
    // Whether a load that keeps its text may leave this object's children in it until they are
    // first used; lastOfItsKind: no later sibling element has the same name. The class vouches
    // that what its children read can neither fail nor make objects through a property, so that
    // building them later cannot fail once the load has parsed the whole text and counted the
    // objects they make.
    virtual bool DefersChildren(bool lastOfItsKind) const;
    // Told, by each owner in turn, that a descendant's deferred children have been built, so that
    // an owner can give them what it gives the children a load reads.
    virtual void DescendantChildrenBuilt(TpzCustomPersistentToXMLObject& descendant);

private:
    struct TPendingChildren;
    struct TLoadContext;

    static std::size_t Index(TPersistentState s) { return static_cast<std::size_t>(s); }
    int ClassPosition(const TClass& cls) const;
    void EnsureChildren() const
    {
        if (FPending)
            const_cast<TpzCustomPersistentToXMLObject*>(this)->BuildPendingChildren();
    }
    void LoadComplete(std::string_view text, std::shared_ptr<const std::string> keep, const std::string& sourceName);
    void ReadElement(pugi::xml_node element, TLoadContext* context, bool lastOfItsKind);
    void ReadChildren(pugi::xml_node element, TLoadContext* context);
    // Adds the objects that reading the element's children into the object would make, as
    // ReadChildren makes them, stopping once made passes cap; false when that cannot be told
    // without reading (a class that cannot be made, or a registered class that inherits another,
    // so that some children are read twice).
    static bool CountObjectsToRead(const TpzCustomPersistentToXMLObject& object, pugi::xml_node element,
        std::size_t cap, std::size_t& made);
    // Loads a kept text with the elements of deferring classes parsed one at a time; false when
    // the text cannot be cut so (nothing read) or a cut element does not parse alone (the
    // children cleared).
    bool LoadElided(std::string_view text, const std::shared_ptr<const std::string>& keep);
    // The XML names of the classes below this one whose objects may defer their children.
    const std::vector<std::string>& NamesOfDeferringClasses() const;

    // The exact class of every child when they all share one, so that the lookups by class and
    // index of a plain list need no scan; none when the children are mixed or there are none.
    const TClass* FUniformClass = nullptr;
    bool FMixed = false;
    bool IsUniformOf(const TClass& cls) const { return !FMixed && FUniformClass && FUniformClass->InheritsFrom(cls); }

    TObjectList FObjects;
    std::vector<const TClass*> FClassList;
    std::string FID;
    int FVersion = 0;
    std::uint16_t FStateDepth[2] = {0, 0};
    TpzCustomPersistentToXMLObject* FOwner = nullptr;
    std::unique_ptr<TPendingChildren> FPending;
};

using TPersistentObject = TpzCustomPersistentToXMLObject;

// Marks an object as loading or saving while it lives, also when the load or save throws. Guards
// nest, so an outer load stays a load after an inner one ends. While any load runs, the objects
// created count against MaxLoadObjects.
class TPersistentStateScope {
public:
    TPersistentStateScope(TpzCustomPersistentToXMLObject& object, TPersistentState state);
    ~TPersistentStateScope();
    TPersistentStateScope(const TPersistentStateScope&) = delete;
    TPersistentStateScope& operator=(const TPersistentStateScope&) = delete;

private:
    TpzCustomPersistentToXMLObject& FObject;
    TPersistentState FState;
};

// The text of an XML file as the loaders see it: lines joined with CR LF, an end-of-file byte
// 26 on the last line dropped. A missing file gives empty text.
std::string ReadXMLFileText(const std::string& fileName);
// The same for bytes already read.
std::string JoinLinesWithCrLf(std::string_view bytes);
