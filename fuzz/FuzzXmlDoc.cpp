// Paths of the document wrapper: the first line is a path, the rest the document.
#include "FuzzCommon.h"

#include "persist/XMLDocUnt.h"

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size)
{
    FuzzSetUp();
    std::string_view all(reinterpret_cast<const char*>(data), size);
    std::size_t newline = all.find('\n');
    std::string_view path = all.substr(0, newline);
    std::string_view text = newline == std::string_view::npos ? std::string_view() : all.substr(newline + 1);
    TXMLDoc doc("Root");
    doc.LoadFromString(text);
    doc.FindNode(path);
    doc.NodeExists(path);
    doc.GetNodeText(path);
    doc.GetAttribute(path, "ID");
    doc.SetNodeText(path, "value");
    doc.SetAttribute(path, "ID", "7");
    doc.SaveToString();
    return 0;
}
