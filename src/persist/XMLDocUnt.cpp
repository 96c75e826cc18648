#include "persist/XMLDocUnt.h"

#include "support/TextUnt.h"
#include "support/UtilsUnt.h"
#include "xml/XmlUnt.h"

#include <vector>

namespace {
constexpr int MaxCreatedIndex = 65535;

struct TPathStep {
    std::string Name;
    int Index = 0;
};

std::vector<TPathStep> SplitPath(std::string_view path)
{
    std::vector<TPathStep> steps;
    std::size_t start = 0;
    while (start <= path.size()) {
        std::size_t comma = path.find(',', start);
        std::string_view part = path.substr(start, comma == std::string_view::npos ? std::string_view::npos : comma - start);
        TPathStep step;
        std::size_t open = part.find('(');
        if (open == std::string_view::npos) {
            step.Name = std::string(part);
        } else {
            step.Name = std::string(part.substr(0, open));
            std::size_t close = part.find(')', open);
            step.Index = ParseLeadingInteger(part.substr(open + 1, close == std::string_view::npos ? std::string_view::npos : close - open - 1));
        }
        steps.push_back(std::move(step));
        if (comma == std::string_view::npos)
            break;
        start = comma + 1;
    }
    return steps;
}

pugi::xml_node NthChild(pugi::xml_node parent, const std::string& name, int index, int* found = nullptr)
{
    int count = 0;
    for (pugi::xml_node child = parent.first_child(); child; child = child.next_sibling()) {
        if (child.type() == pugi::node_element && EqualsIgnoreCase(child.name(), name)) {
            if (count == index)
                return child;
            ++count;
        }
    }
    if (found)
        *found = count;
    return pugi::xml_node();
}
} // namespace

TXMLDoc::TXMLDoc(std::string rootName)
    : FRootName(std::move(rootName))
{
}

bool TXMLDoc::LoadFromString(std::string_view text)
{
    FDoc.reset();
    FSourceText.reset();
    FElided.clear();
    FParseResult = ParseXml(FDoc, text);
    return FParseResult.Complete && FDoc.document_element();
}

void TXMLDoc::KeepSourceText(std::shared_ptr<const std::string> text, std::vector<TElidedElement> elided)
{
    KeepSourceText(std::move(text));
    if (FSourceText)
        FElided = std::move(elided);
}

void TXMLDoc::KeepSourceText(std::shared_ptr<const std::string> text)
{
    FElided.clear();
    if (!text || !FParseResult.Complete) {
        FSourceText.reset();
        return;
    }
    // 8-bit text was converted in the parser's buffer, which the parse changed: no text holds
    // the bytes the tree's offsets count. Such text is read in full at once.
    if (FParseResult.Windows1252) {
        FSourceText.reset();
        return;
    }
    FSourceText = std::move(text);
}

pugi::xml_node TXMLDoc::Resolve(std::string_view path) const
{
    pugi::xml_node current = FDoc.document_element();
    if (!current || path.empty())
        return current;
    for (const TPathStep& step : SplitPath(path)) {
        current = NthChild(current, step.Name, step.Index < 0 ? -1 : step.Index);
        if (!current)
            return current;
    }
    return current;
}

pugi::xml_node TXMLDoc::FindElement(std::string_view path) const
{
    if (!FRootName.empty() && path == FRootName)
        return FDoc.document_element();
    return Resolve(path);
}

pugi::xml_node TXMLDoc::FindNode(std::string_view path) const
{
    pugi::xml_node element = FindElement(path);
    if (element) {
        pugi::xml_node only = element.first_child();
        if (only && !only.next_sibling() && only.type() == pugi::node_pcdata)
            return only;
    }
    return element;
}

bool TXMLDoc::NodeExists(std::string_view path) const { return static_cast<bool>(FindNode(path)); }

std::string TXMLDoc::GetNodeText(std::string_view path) const
{
    pugi::xml_node node = FindNode(path);
    if (!node)
        return std::string();
    if (node.type() == pugi::node_pcdata) {
        std::string text = node.value();
        MapC1ToWindows1252(text);
        return text;
    }
    return NodeText(node);
}

pugi::xml_node TXMLDoc::Create(std::string_view path)
{
    pugi::xml_node current = FDoc.document_element();
    if (!current)
        current = FDoc.append_child(FRootName.empty() ? "Root" : FRootName.c_str());
    if (path.empty())
        return current;
    for (const TPathStep& step : SplitPath(path)) {
        // A path is never asked to make thousands of siblings; refuse rather than exhaust memory.
        if (step.Index < 0 || step.Index > MaxCreatedIndex)
            return pugi::xml_node();
        int found = 0;
        pugi::xml_node next = NthChild(current, step.Name, step.Index, &found);
        if (!next) {
            for (int k = found; k <= step.Index; ++k)
                next = current.append_child(step.Name.c_str());
        }
        current = next;
    }
    return current;
}

void TXMLDoc::SetNodeText(std::string_view path, std::string_view text)
{
    pugi::xml_node element = Create(path);
    if (!element)
        return;
    pugi::xml_node only = element.first_child();
    if (!only) {
        element.append_child(pugi::node_pcdata).set_value(std::string(text).c_str());
    } else if (!only.next_sibling() && only.type() == pugi::node_pcdata) {
        only.set_value(std::string(text).c_str());
    }
}

std::string TXMLDoc::GetAttribute(std::string_view path, std::string_view name) const
{
    pugi::xml_node element = FindElement(path);
    if (!element)
        return std::string();
    pugi::xml_attribute attribute = element.attribute(std::string(name).c_str());
    return attribute ? AttributeText(attribute) : std::string();
}

void TXMLDoc::SetAttribute(std::string_view path, std::string_view name, std::string_view value)
{
    pugi::xml_node element = FindElement(path);
    if (!element)
        element = Create(path);
    if (!element)
        return;
    std::string key(name);
    pugi::xml_attribute attribute = element.attribute(key.c_str());
    if (!attribute)
        attribute = element.append_attribute(key.c_str());
    attribute.set_value(std::string(value).c_str());
}

std::string TXMLDoc::SaveToString() const
{
    pugi::xml_node root = FDoc.document_element();
    return root ? XmlElementToString(root) : std::string();
}
