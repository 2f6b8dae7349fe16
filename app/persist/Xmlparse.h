#pragma once

#include <cstddef>
#include <cstdint>
#include <limits>
#include <string>
#include <string_view>
#include <vector>

struct XmlparseIndexView;

namespace persist {

// The program's one XML reader and writer, used for the configuration, list files, the colour
// scheme and the update document.
//
// A document is one UTF-8 text plus a flat index of element positions (byte offsets) into it;
// there are no node objects. A cursor (parent, current element, remembered child) walks the
// tree; attributes and element text are read straight out of the text. Building appends empty
// elements and inserts attributes into the text, and the index follows by shifting offsets rather
// than parsing again. Only elements and attributes are understood: declarations, processing
// instructions, comments and CDATA sections are stepped over, and there is no namespace, entity
// or DTD processing beyond the five predefined entities.
//
// Any byte sequence is safe to parse: scans stop at the end of the text (which may hold NUL
// bytes) and step over whole UTF-8 characters. Operations report failure by returning false or
// empty text and never throw. A document belongs to one thread at a time.
class CXmlparse {
public:
    // Offsets are 32-bit, so longer texts are refused.
    static constexpr std::size_t kMaxTextLength = std::numeric_limits<std::int32_t>::max();

    CXmlparse();

    // Reads a UTF-8 or UTF-16LE (with byte-order mark) file and parses it.
    [[nodiscard]] bool Load(const std::string& path);
    // Writes the XML declaration line and the text as UTF-8, replacing the file only once the
    // whole new content is safely on disk.
    [[nodiscard]] bool Save(const std::string& path) const;

    // Replaces the text and parses its first element (the root). On failure the text stays,
    // the index is empty and GetLastError() says why (an empty text gives no message). A text
    // longer than kMaxTextLength is not kept at all.
    bool SetText(std::string_view text);
    bool SetText(const char* text) { return SetText(text ? std::string_view(text) : std::string_view()); }

    // Moves to the next sibling with that tag name, or to the next sibling at all when the name is
    // empty. The cursor is unchanged when there is none.
    bool FindElement(std::string_view name = {});
    bool FindElement(const char* name)
    {
        return FindElement(name ? std::string_view(name) : std::string_view());
    }
    // Makes the current element the parent; the cursor then stands before its first child, or on
    // the child that was current when it was last left.
    bool EnterElement();
    // Makes the parent the current element again.
    bool LeaveElement();

    // Appends <name/> after the current element (or as the last child of the parent when there is
    // no current element) and makes it current. Fails at document level when a root exists, and
    // for a name that could not be read back: empty, or holding white space, a quote or one of
    // < > = \ / ? !
    bool AddElement(std::string_view name);
    // The unescaped value of a quoted attribute of the current element; empty when absent.
    [[nodiscard]] std::string GetAttribute(std::string_view name) const;
    [[nodiscard]] std::string GetAttribute(const char* name) const
    {
        return name ? GetAttribute(std::string_view(name)) : std::string();
    }
    // Replaces the value between the quotes of an existing attribute, or appends the attribute.
    // The name must be a plain name as for AddElement.
    bool SetAttribute(std::string_view name, std::string_view value);
    // The unescaped text content of the current element (a leading CDATA section is returned
    // raw); empty for an element with children or without content.
    [[nodiscard]] std::string GetElementText() const;

    [[nodiscard]] const std::string& GetText() const { return m_strText; }
    // The message of the last failed parse; not cleared by a later success.
    [[nodiscard]] const std::string& GetLastError() const { return m_strLastError; }

private:
    // The message of a text or file too long for 32-bit offsets.
    static constexpr std::string_view kTooLarge = "Document too large";

    // Lets the tests and the fuzz target compare the index with a fresh parse of the text.
    friend struct ::XmlparseIndexView;

    // One element's place in the text. An element is empty (<a/>) exactly when
    // TagClose == EndOpen + 1; its content lies between TagClose and EndOpen.
    struct ElemPos {
        std::int32_t TagOpen = 0; // '<' of the start tag
        std::int32_t TagClose = 0; // '>' of the start tag
        std::int32_t EndOpen = 0; // '<' of the end tag, or the '/' of an empty element
        std::int32_t EndClose = 0; // '>' that ends the element
        std::int32_t Parent = 0;
        std::int32_t FirstChild = 0;
        std::int32_t Next = 0;
    };

    // A scanner over the text. Left..Right is the token (inclusive; without the quotes of a
    // quoted token) and Next is where the next token is looked for.
    struct ParseToken {
        std::string_view Text;
        std::int32_t Left = 0;
        std::int32_t Right = -1;
        std::int32_t Next = 0;
        bool Quoted = false;
    };

    [[nodiscard]] static bool NextToken(ParseToken& token);
    [[nodiscard]] static bool MatchName(const ParseToken& token, std::string_view name);
    [[nodiscard]] static std::string Escape(std::string_view value);
    [[nodiscard]] std::string Unescape(std::int32_t left, std::int32_t right) const;

    [[nodiscard]] std::int32_t TextLength() const { return static_cast<std::int32_t>(m_strText.size()); }
    [[nodiscard]] bool IsEmptyElement(std::int32_t slot) const;
    [[nodiscard]] std::string_view TagName(std::int32_t slot) const;
    [[nodiscard]] bool FindAttribute(std::int32_t slot, std::string_view name, ParseToken& value) const;
    [[nodiscard]] std::int32_t LastChild(std::int32_t slot) const;

    void ResetCursor();
    void ClearIndex();
    std::int32_t TakeSlot();
    std::int32_t Fail(std::string message);
    bool SkipNode(std::int32_t offset, std::int32_t& resume) const;
    std::int32_t ParseTag(std::int32_t parent, bool& hasContent);
    std::int32_t ParseEndTag(std::int32_t slot);
    std::int32_t ParseElement(std::int32_t parent);
    void ShiftSubtrees(std::int32_t first, std::int32_t delta);
    void ShiftPositions(std::int32_t slot, std::int32_t delta);
    std::int32_t LocateInsert(std::int32_t parent, std::int32_t after, std::int32_t& previous) const;
    void ReplaceText(std::int32_t offset, std::int32_t count, std::string_view text);

    std::string m_strText;
    std::string m_strLastError;
    std::vector<ElemPos> m_aElems;
    std::int32_t m_iParentPos = 0;
    std::int32_t m_iCurPos = 0;
    std::int32_t m_iChildPos = 0;
    std::int32_t m_iFreePos = 1;
    std::int32_t m_nCurKind = 0;
};

} // namespace persist
