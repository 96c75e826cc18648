#include "persist/ObjectsUnt.h"

COGLINE_DEFINE_CLASS(TRootObject, "", TpzCustomPersistentToXMLObject)
COGLINE_DEFINE_CLASS(TListObject, "", TpzCustomPersistentToXMLObject)

TListObject::TListObject()
    : FItemClass(&TRootObject::StaticClass())
{
}

TListObject::TListObject(const TClass& itemClass)
    : FItemClass(&itemClass)
{
    RegisterChildClass(itemClass);
}
