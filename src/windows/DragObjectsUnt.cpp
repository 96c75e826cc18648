#include "windows/DragObjectsUnt.h"

TDragCard::TDragCard(std::string cardID, QObject* source)
    : FCardID(std::move(cardID))
    , FSource(source)
{
    setData(MimeType, QByteArray::fromStdString(FCardID));
    setText(QString::fromStdString(FCardID));
}

TDragChit::TDragChit(std::string chitID, QObject* source)
    : FChitID(std::move(chitID))
    , FSource(source)
{
    setData(MimeType, QByteArray::fromStdString(FChitID));
    setText(QString::fromStdString(FChitID));
}

const TDragCard* DraggedCard(const QMimeData* data) { return qobject_cast<const TDragCard*>(data); }

const TDragChit* DraggedChit(const QMimeData* data) { return qobject_cast<const TDragChit*>(data); }
