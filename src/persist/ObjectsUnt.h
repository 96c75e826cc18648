#pragma once
#include "persist/pzPersistentToXMLObjectUnt.h"

// Base of every persisted model object that is not a list.
class TRootObject : public TpzCustomPersistentToXMLObject {
    COGLINE_PERSISTENT_CLASS(TRootObject)
};

// Base of every persisted list: its item operations see only children of ItemClass.
class TListObject : public TpzCustomPersistentToXMLObject {
    COGLINE_PERSISTENT_CLASS(TListObject)
public:
    // Items are TRootObject; registers nothing (subclasses register their own classes).
    TListObject();
    // Items of the given class, registered as a child class.
    explicit TListObject(const TClass& itemClass);

    const TClass& ItemClass() const { return *FItemClass; }
    int Count() const { return CountOf(*FItemClass); }
    TpzCustomPersistentToXMLObject* Items(int index) const { return ObjectOf(*FItemClass, index); }
    void Delete(int index) { DeleteObjectOf(*FItemClass, index); }
    TpzCustomPersistentToXMLObject* FindByID(std::string_view id) const { return FindObject(*FItemClass, id); }
    int IndexOf(const TpzCustomPersistentToXMLObject* item) const { return IndexOfObject(*FItemClass, item); }

protected:
    void SetItemClass(const TClass& itemClass) { FItemClass = &itemClass; }

private:
    const TClass* FItemClass;
};
