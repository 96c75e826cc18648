#pragma once
#include "xml/XmlUnt.h"

#include <pugixml.hpp>

#include <memory>
#include <string>
#include <string_view>
#include <vector>

// Addresses the elements of a parsed document by path. A path is a list of components
// separated by ","; a component is an element name with an optional "(index)". Names match
// without regard to letter case; the empty path (and, for reading, the root's own name)
// denotes the root element.
class TXMLDoc {
public:
    explicit TXMLDoc(std::string rootName = std::string());

    // Whether the whole text was read and holds an element; never raises. What was built before
    // an error stays, and ParseResult says where and why reading stopped.
    bool LoadFromString(std::string_view text);
    const TXmlParseResult& ParseResult() const { return FParseResult; }
    pugi::xml_node FindNode(std::string_view path) const;
    pugi::xml_node FindElement(std::string_view path) const;
    bool NodeExists(std::string_view path) const;
    std::string GetNodeText(std::string_view path) const;
    void SetNodeText(std::string_view path, std::string_view text);
    std::string GetAttribute(std::string_view path, std::string_view name) const;
    void SetAttribute(std::string_view path, std::string_view name, std::string_view value);

    // Keeps the text a complete parse read, so that parts of it can be read again later; none
    // after an incomplete parse, after 8-bit text (read as Windows-1252) or without this call.
    void KeepSourceText(std::shared_ptr<const std::string> text);
    const std::shared_ptr<const std::string>& SourceText() const { return FSourceText; }
    // The same for a document parsed from what ElideElements left of the text: the elements it
    // cut are read from the kept text where their placeholders stand.
    void KeepSourceText(std::shared_ptr<const std::string> text, std::vector<TElidedElement> elided);
    const std::vector<TElidedElement>& ElidedElements() const { return FElided; }

    pugi::xml_node Root() const { return FDoc.document_element(); }
    const std::string& RootName() const { return FRootName; }
    std::string SaveToString() const;
    pugi::xml_document& Document() { return FDoc; }

private:
    pugi::xml_node Resolve(std::string_view path) const;
    pugi::xml_node Create(std::string_view path);

    pugi::xml_document FDoc;
    std::string FRootName;
    TXmlParseResult FParseResult;
    std::shared_ptr<const std::string> FSourceText;
    std::vector<TElidedElement> FElided;
};
