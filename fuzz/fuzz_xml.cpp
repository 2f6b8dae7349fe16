// Fuzz target for the XML document: any bytes are parsed and walked, then edited in place, and
// what was read is written again with the builder.
//
// Checked beyond memory safety: edits keep the index in step with the text (it must equal a
// fresh parse of the edited text), and values written with the builder read back unchanged.

#include "persist/Xmlparse.h"

#include "../tests/persist/XmlparseIndexView.h"

#include <cstdint>
#include <cstdio>
#include <cstdlib>
#include <string>
#include <string_view>
#include <vector>

namespace {

constexpr std::string_view kAttributeNames[] = { "Path", "Duration", "BeginTime", "x", "Text" };
constexpr std::string_view kEscaped = "<&>'\"";

struct Element {
    int depth = 0;
    std::vector<std::string> values; // of kAttributeNames
    std::string text;
};

void Check(bool condition, const char* what, const std::string& detail = {})
{
    if (!condition) {
        std::fprintf(stderr, "fuzz_xml: %s %s\n", what, detail.c_str());
        std::abort();
    }
}

// Visits every element once in document order with the cursor, reading attributes and text.
std::vector<Element> Walk(persist::CXmlparse& xml)
{
    std::vector<Element> elements;
    int depth = 0;
    for (;;) {
        if (xml.FindElement()) {
            Element element;
            element.depth = depth;
            for (const std::string_view name : kAttributeNames)
                element.values.push_back(xml.GetAttribute(name));
            element.text = xml.GetElementText();
            elements.push_back(std::move(element));
            if (xml.EnterElement())
                ++depth;
        } else {
            if (!xml.LeaveElement())
                break;
            --depth;
        }
    }
    return elements;
}

// Writes the walked elements as a new document: the same tree, with the values read (after the
// five escaped characters) as attributes, the element text as the "Text" attribute.
persist::CXmlparse Rebuild(const std::vector<Element>& elements)
{
    persist::CXmlparse xml;
    int depth = 0;
    for (const Element& element : elements) {
        for (; depth > element.depth; --depth)
            Check(xml.LeaveElement(), "leave while rebuilding");
        Check(xml.AddElement(element.depth == 0 ? "Root" : "File"), "add while rebuilding");
        for (std::size_t i = 0; i + 1 < std::size(kAttributeNames); ++i)
            Check(xml.SetAttribute(kAttributeNames[i], std::string(kEscaped) + element.values[i]), "set");
        Check(xml.SetAttribute("Text", std::string(kEscaped) + element.text), "set text");
        Check(xml.EnterElement(), "enter while rebuilding");
        ++depth;
    }
    while (xml.LeaveElement()) { }
    return xml;
}

// A few edits around the element chosen by pick: attributes with the escaped characters,
// a sibling after it and a child inside it.
void Edit(persist::CXmlparse& xml, std::size_t pick, std::string_view value)
{
    for (std::size_t i = 0; i <= pick % 16; ++i) {
        if (!xml.FindElement() && !(xml.EnterElement() && xml.FindElement()))
            break;
        if (i % 3 == 2)
            xml.EnterElement();
    }
    xml.SetAttribute("Path", std::string(value) + std::string(kEscaped));
    xml.SetAttribute("x", "");
    xml.AddElement("File");
    xml.SetAttribute("Duration", value);
    xml.EnterElement();
    xml.AddElement("Program");
    xml.LeaveElement();
    xml.LeaveElement();
    xml.AddElement("Player");
}

} // namespace

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size)
{
    const std::string_view input(reinterpret_cast<const char*>(data), size);
    const std::size_t pick = size == 0 ? 0 : data[0];
    const std::string_view value = input.substr(0, 12);

    persist::CXmlparse xml;
    const bool parsed = xml.SetText(input);
    const std::vector<Element> elements = Walk(xml);
    Check(parsed || elements.empty(), "elements without a document");
    xml.FindElement("File");
    (void)xml.GetAttribute(nullptr);

    // Edits straight on whatever was parsed, however odd.
    persist::CXmlparse edited;
    edited.SetText(input);
    Edit(edited, pick, value);
    Walk(edited);
    if (!parsed)
        return 0;
    const std::string editMismatch = XmlparseIndexView::Mismatch(edited);
    Check(editMismatch.empty(), "edited index", editMismatch);

    // The same content through the builder must parse back to the same values, and edits on
    // that document must keep its index exact.
    persist::CXmlparse rebuilt = Rebuild(elements);
    Check(
        XmlparseIndexView::Mismatch(rebuilt).empty(), "rebuilt index", XmlparseIndexView::Mismatch(rebuilt));
    persist::CXmlparse reread;
    Check(reread.SetText(rebuilt.GetText()), "rebuilt text does not parse");
    const std::vector<Element> again = Walk(reread);
    Check(again.size() == elements.size(), "rebuilt element count");
    for (std::size_t i = 0; i < again.size(); ++i) {
        Check(again[i].depth == elements[i].depth, "rebuilt depth");
        for (std::size_t k = 0; k + 1 < std::size(kAttributeNames); ++k)
            Check(again[i].values[k] == std::string(kEscaped) + elements[i].values[k], "rebuilt value");
        Check(again[i].values.back() == std::string(kEscaped) + elements[i].text, "rebuilt text");
    }
    Edit(reread, pick, value);
    const std::string mismatch = XmlparseIndexView::Mismatch(reread);
    Check(mismatch.empty(), "edited rebuilt index", mismatch);
    return 0;
}
