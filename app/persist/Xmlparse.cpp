#include "persist/Xmlparse.h"

#include "base/Utf.h"

#include <algorithm>
#include <array>

namespace persist {

namespace {

    using Offset = std::int32_t;

    struct Entity {
        char Character;
        std::string_view Reference;
    };

    // The order is shared by escaping and unescaping.
    constexpr std::array<Entity, 5> kEntities = { {
        { '<', "&lt;" },
        { '&', "&amp;" },
        { '>', "&gt;" },
        { '\'', "&apos;" },
        { '"', "&quot;" },
    } };

    bool IsWhiteSpace(char c)
    {
        return c == ' ' || c == '\t' || c == '\n' || c == '\r';
    }

    // Token delimiters: white space and the markup characters. A table, as tokens are scanned byte by
    // byte.
    constexpr std::array<bool, 256> kDelimiters = [] {
        std::array<bool, 256> table {};
        for (const char c : std::string_view(" \t\n\r<>=\\/?!"))
            table[static_cast<unsigned char>(c)] = true;
        return table;
    }();

    bool IsDelimiter(char c)
    {
        return kDelimiters[static_cast<unsigned char>(c)];
    }

    bool IsNameTerminator(char c)
    {
        return c == ' ' || c == '=' || c == '/' || c == '[';
    }

    // A name that can be written into a tag and found again by the scanner.
    bool IsPlainName(std::string_view name)
    {
        if (name.empty())
            return false;
        return std::none_of(
            name.begin(), name.end(), [](char c) { return IsDelimiter(c) || c == '"' || c == '\''; });
    }

    Offset Clamp(Offset offset, std::string_view text)
    {
        return std::clamp<Offset>(offset, 0, static_cast<Offset>(text.size()));
    }

    // Scans for an ASCII byte or string. Every byte of a multi-byte UTF-8 character is 0x80 or
    // above, so an ASCII byte found by a byte search always starts a character: the result is the
    // same as stepping character by character, only faster.
    Offset ScanTo(std::string_view text, Offset from, char c)
    {
        const std::size_t at = text.find(c, static_cast<std::size_t>(Clamp(from, text)));
        return at == std::string_view::npos ? static_cast<Offset>(text.size()) : static_cast<Offset>(at);
    }

    Offset ScanTo(std::string_view text, Offset from, std::string_view s)
    {
        const std::size_t at = text.find(s, static_cast<std::size_t>(Clamp(from, text)));
        return at == std::string_view::npos ? static_cast<Offset>(text.size()) : static_cast<Offset>(at);
    }

    Offset SkipWhiteSpace(std::string_view text, Offset from)
    {
        auto pos = static_cast<std::size_t>(Clamp(from, text));
        while (pos < text.size() && IsWhiteSpace(text[pos]))
            ++pos;
        return static_cast<Offset>(pos);
    }

    bool FitsText(std::size_t current, std::size_t inserted, std::size_t replaced)
    {
        return inserted <= CXmlparse::kMaxTextLength
            && current - replaced <= CXmlparse::kMaxTextLength - inserted;
    }

} // namespace

CXmlparse::CXmlparse()
{
    SetText(std::string_view());
}

// ---------------------------------------------------------------------------------------------
// Scanning

bool CXmlparse::NextToken(ParseToken& token)
{
    const std::string_view text = token.Text;
    const auto end = static_cast<Offset>(text.size());
    token.Quoted = false;
    Offset pos = SkipWhiteSpace(text, token.Next);
    if (pos >= end) {
        token.Left = token.Right = token.Next = end;
        return false;
    }
    const char c = text[static_cast<std::size_t>(pos)];
    if (c == '"' || c == '\'') {
        token.Quoted = true;
        token.Left = pos + 1;
        const Offset close = ScanTo(text, token.Left, c);
        token.Right = close - 1;
        token.Next = close < end ? close + 1 : end;
        return true;
    }
    token.Left = pos;
    while (pos < end) {
        const char b = text[static_cast<std::size_t>(pos)];
        if (static_cast<unsigned char>(b) < 0x80) {
            if (IsDelimiter(b))
                break;
            ++pos;
        } else {
            pos += static_cast<Offset>(base::Utf8SequenceLength(text, static_cast<std::size_t>(pos)));
        }
    }
    if (pos == token.Left)
        ++pos;
    token.Next = pos;
    token.Right = pos - 1;
    return true;
}

bool CXmlparse::MatchName(const ParseToken& token, std::string_view name)
{
    const std::int64_t length = std::int64_t { token.Right } - token.Left + 1;
    if (length < 0 || static_cast<std::uint64_t>(length) > name.size())
        return false;
    const auto count = static_cast<std::size_t>(length);
    if (token.Left < 0 || static_cast<std::size_t>(token.Left) + count > token.Text.size())
        return false;
    if (token.Text.substr(static_cast<std::size_t>(token.Left), count) != name.substr(0, count))
        return false;
    return count == name.size() || IsNameTerminator(name[count]);
}

bool CXmlparse::SkipNode(Offset offset, Offset& resume) const
{
    const std::string_view text = m_strText;
    const Offset end = TextLength();
    if (offset < 0 || offset >= end - 2)
        return false;
    const char first = text[static_cast<std::size_t>(offset) + 1];
    const char second = text[static_cast<std::size_t>(offset) + 2];
    std::string_view terminator;
    if (first == '?')
        terminator = "?>";
    else if (first == '!' && second == '[')
        terminator = "]]>";
    else if (first == '!' && second == '-')
        terminator = "-->";
    if (!terminator.empty()) {
        const Offset at = ScanTo(text, offset, terminator);
        if (at >= end)
            return false;
        resume = at + static_cast<Offset>(terminator.size());
        return true;
    }

    // A declaration such as <!DOCTYPE ...>: its internal subset in brackets may hold '>'.
    ParseToken token { text };
    token.Next = offset;
    std::int64_t depth = 0;
    while (NextToken(token)) {
        if (token.Quoted)
            continue;
        const char c = text[static_cast<std::size_t>(token.Left)];
        if (c == '[') {
            ++depth;
        } else if (c == ']') {
            --depth;
        } else if (c == '>' && depth == 0) {
            resume = token.Left + 1;
            return true;
        }
    }
    return false;
}

// ---------------------------------------------------------------------------------------------
// Parsing

void CXmlparse::ResetCursor()
{
    m_iParentPos = 0;
    m_iCurPos = 0;
    m_iChildPos = 0;
    m_nCurKind = 0;
}

void CXmlparse::ClearIndex()
{
    m_aElems[0] = ElemPos {};
    m_iFreePos = 1;
    ResetCursor();
}

Offset CXmlparse::TakeSlot()
{
    if (static_cast<std::size_t>(m_iFreePos) >= m_aElems.size())
        m_aElems.resize(m_aElems.size() + std::max<std::size_t>(m_aElems.size() / 2, 8));
    return m_iFreePos++;
}

Offset CXmlparse::Fail(std::string message)
{
    m_strLastError = std::move(message);
    --m_iFreePos;
    return -1;
}

// Takes a slot and reads the next start tag below parent, stepping over declarations, comments,
// processing instructions and CDATA. Returns the slot, 0 when an end tag comes first (no slot is
// kept) or -1 on error. hasContent tells whether the element's children and end tag follow.
Offset CXmlparse::ParseTag(Offset parent, bool& hasContent)
{
    const std::string_view text = m_strText;
    const Offset end = TextLength();
    const Offset slot = TakeSlot();
    m_aElems[slot] = ElemPos {};
    m_aElems[slot].TagOpen = m_aElems[parent].EndOpen;
    m_aElems[slot].Parent = parent;

    ParseToken token { text };
    for (;;) {
        const Offset open = ScanTo(text, m_aElems[slot].TagOpen, '<');
        m_aElems[slot].TagOpen = open;
        if (open >= end)
            return Fail("Element tag not found");
        // The parent's next child search, and the search for its end tag, begin here.
        m_aElems[parent].EndOpen = open;
        token.Next = open + 1;
        if (!NextToken(token))
            return Fail("Abrupt end within tag");
        if (token.Quoted)
            return Fail("Tag starts with quote");
        const char first = text[static_cast<std::size_t>(token.Left)];
        if (first == '?' || first == '!') {
            Offset resume = 0;
            if (!SkipNode(open, resume))
                return Fail("Invalid node");
            m_aElems[slot].TagOpen = resume;
            continue;
        }
        if (first == '/') {
            --m_iFreePos;
            return 0;
        }
        break;
    }

    const Offset close = ScanTo(text, token.Next, '>');
    if (close >= end)
        return Fail("End of tag not found");
    ElemPos& elem = m_aElems[slot];
    elem.TagClose = close;
    if (text[static_cast<std::size_t>(close) - 1] == '/') {
        elem.EndOpen = close - 1;
        elem.EndClose = close;
        hasContent = false;
    } else {
        elem.EndOpen = close + 1;
        hasContent = true;
    }
    return slot;
}

// The element's children are parsed and its EndOpen stands on the '<' of the end tag.
Offset CXmlparse::ParseEndTag(Offset slot)
{
    const std::string_view text = m_strText;
    const std::string_view name = TagName(slot);
    ParseToken token { text };
    token.Next = m_aElems[slot].EndOpen + 1;
    int count = 0;
    while (NextToken(token)) {
        ++count;
        if (token.Quoted)
            continue;
        if (count == 2 && !MatchName(token, name))
            return Fail("End tag does not correspond to " + std::string(name));
        if (text[static_cast<std::size_t>(token.Left)] == '>') {
            if (count < 2)
                break;
            m_aElems[slot].EndClose = token.Left;
            return slot;
        }
    }
    return Fail("End tag not completed for element " + std::string(name));
}

// Parses one element below parent with all its descendants. Returns its slot, 0 when an end tag
// stands where the element was expected, or -1 on error. Nesting is followed with an explicit
// stack rather than recursion, so that no document can exhaust the call stack.
Offset CXmlparse::ParseElement(Offset parent)
{
    struct Open {
        Offset slot;
        Offset previous;
    };
    std::vector<Open> open;
    Offset target = parent;
    for (;;) {
        bool hasContent = false;
        Offset done = ParseTag(target, hasContent);
        if (done < 0)
            return -1;
        if (done > 0 && hasContent) {
            open.push_back({ done, 0 });
            target = done;
            continue;
        }
        // done is a complete element, or 0 for the end tag of the innermost open element.
        for (;;) {
            if (open.empty())
                return done;
            Open& top = open.back();
            if (done > 0) {
                if (top.previous == 0)
                    m_aElems[top.slot].FirstChild = done;
                else
                    m_aElems[top.previous].Next = done;
                top.previous = done;
                m_aElems[top.slot].EndOpen = m_aElems[done].EndClose + 1;
                target = top.slot;
                break;
            }
            done = ParseEndTag(top.slot);
            if (done < 0)
                return -1;
            open.pop_back();
        }
    }
}

bool CXmlparse::SetText(std::string_view text)
{
    ResetCursor();
    m_iFreePos = 1;
    if (text.size() > kMaxTextLength) {
        m_strText.clear();
        m_strLastError = kTooLarge;
        if (m_aElems.empty())
            m_aElems.resize(8);
        ClearIndex();
        return false;
    }
    m_strText.assign(text.data(), text.size());
    const std::size_t slots = m_strText.size() / 64 + 8;
    if (m_aElems.size() < slots)
        m_aElems.resize(slots);
    ClearIndex();
    if (m_strText.empty())
        return false;

    const Offset root = ParseElement(0);
    if (root > 0) {
        m_aElems[0].FirstChild = root;
        ResetCursor();
        return true;
    }
    ClearIndex();
    return false;
}

// ---------------------------------------------------------------------------------------------
// Navigation and reading

bool CXmlparse::IsEmptyElement(Offset slot) const
{
    return m_aElems[slot].TagClose == m_aElems[slot].EndOpen + 1;
}

std::string_view CXmlparse::TagName(Offset slot) const
{
    ParseToken token { m_strText };
    token.Next = m_aElems[slot].TagOpen + 1;
    if (!NextToken(token) || token.Right < token.Left)
        return {};
    return token.Text.substr(static_cast<std::size_t>(token.Left),
        static_cast<std::size_t>(token.Right) - static_cast<std::size_t>(token.Left) + 1);
}

Offset CXmlparse::LastChild(Offset slot) const
{
    Offset child = m_aElems[slot].FirstChild;
    while (child != 0 && m_aElems[child].Next != 0)
        child = m_aElems[child].Next;
    return child;
}

bool CXmlparse::FindElement(std::string_view name)
{
    if (m_aElems.empty())
        return false;
    Offset found = m_iCurPos != 0 ? m_aElems[m_iCurPos].Next : m_aElems[m_iParentPos].FirstChild;
    if (!name.empty()) {
        ParseToken token { m_strText };
        while (found != 0) {
            token.Next = m_aElems[found].TagOpen + 1;
            if (NextToken(token) && MatchName(token, name))
                break;
            found = m_aElems[found].Next;
        }
    }
    if (found <= 0)
        return false;
    m_iParentPos = m_aElems[found].Parent;
    m_iCurPos = found;
    m_iChildPos = 0;
    m_nCurKind = 1;
    return true;
}

bool CXmlparse::EnterElement()
{
    if (m_iCurPos == 0 || m_nCurKind != 1)
        return false;
    m_iParentPos = m_iCurPos;
    m_iCurPos = m_iChildPos;
    m_iChildPos = 0;
    m_nCurKind = m_iCurPos != 0 ? 1 : 0;
    return true;
}

bool CXmlparse::LeaveElement()
{
    if (m_iParentPos == 0)
        return false;
    m_iChildPos = m_iCurPos;
    m_iCurPos = m_iParentPos;
    m_iParentPos = m_aElems[m_iCurPos].Parent;
    m_nCurKind = 1;
    return true;
}

// Looks through the start tag's tokens: only a quoted value that follows the name with exactly
// one '=' between them counts, and the search ends at the tag's '>', '/' or '?'.
bool CXmlparse::FindAttribute(Offset slot, std::string_view name, ParseToken& value) const
{
    const std::string_view text = m_strText;
    value = ParseToken { text };
    value.Next = m_aElems[slot].TagOpen + 1;
    int matched = -1;
    for (int number = 0; NextToken(value); ++number) {
        if (value.Quoted) {
            if (matched >= 0 && number == matched + 2)
                return true;
            continue;
        }
        const char c = text[static_cast<std::size_t>(value.Left)];
        if (c == '>' || c == '/' || c == '?')
            return false;
        if (c == '=')
            continue;
        if (matched < 0 && number > 0 && MatchName(value, name))
            matched = number;
    }
    return false;
}

std::string CXmlparse::GetAttribute(std::string_view name) const
{
    if (m_iCurPos == 0 || m_nCurKind != 1)
        return {};
    ParseToken value;
    if (!FindAttribute(m_iCurPos, name, value))
        return {};
    Offset right = value.Right;
    if (right >= TextLength())
        --right;
    return Unescape(value.Left, right);
}

std::string CXmlparse::GetElementText() const
{
    if (m_iCurPos == 0 || m_nCurKind != 1)
        return {};
    const ElemPos& elem = m_aElems[m_iCurPos];
    if (elem.FirstChild != 0 || IsEmptyElement(m_iCurPos))
        return {};
    const std::string_view text = m_strText;
    static constexpr std::string_view kCdataOpen = "<![CDATA[";
    const Offset start = SkipWhiteSpace(text, elem.TagClose + 1);
    if (start < TextLength() && text[static_cast<std::size_t>(start)] == '<'
        && std::int64_t { start } + 11 < elem.EndOpen
        && text.substr(static_cast<std::size_t>(start), kCdataOpen.size()) == kCdataOpen) {
        const Offset close = ScanTo(text, start + 9, "]]>");
        if (close < elem.EndOpen)
            return std::string(text.substr(static_cast<std::size_t>(start) + 9,
                static_cast<std::size_t>(close) - static_cast<std::size_t>(start) - 9));
    }
    return Unescape(elem.TagClose + 1, elem.EndOpen - 1);
}

std::string CXmlparse::Unescape(Offset left, Offset right) const
{
    const std::string_view text = m_strText;
    left = std::max<Offset>(left, 0);
    right = std::min<Offset>(right, TextLength() - 1);
    if (right < left)
        return {};
    std::string_view range = text.substr(
        static_cast<std::size_t>(left), static_cast<std::size_t>(right) - static_cast<std::size_t>(left) + 1);
    std::string out;
    out.reserve(range.size());
    for (;;) {
        const std::size_t amp = range.find('&');
        out.append(range.substr(0, amp));
        if (amp == std::string_view::npos)
            break;
        range.remove_prefix(amp + 1);
        char replacement = '&';
        for (const Entity& e : kEntities) {
            const std::string_view entityName = e.Reference.substr(1);
            if (range.substr(0, entityName.size()) == entityName) {
                replacement = e.Character;
                range.remove_prefix(entityName.size());
                break;
            }
        }
        out += replacement;
    }
    return out;
}

std::string CXmlparse::Escape(std::string_view value)
{
    std::string out;
    out.reserve(value.size() + value.size() / 5 + 7);
    for (const char c : value) {
        const auto* entity = std::find_if(
            kEntities.begin(), kEntities.end(), [c](const Entity& e) { return e.Character == c; });
        if (entity != kEntities.end())
            out.append(entity->Reference);
        else
            out += c;
    }
    return out;
}

// ---------------------------------------------------------------------------------------------
// Editing

void CXmlparse::ReplaceText(Offset offset, Offset count, std::string_view text)
{
    offset = Clamp(offset, m_strText);
    count = std::clamp<Offset>(count, 0, TextLength() - offset);
    m_strText.replace(static_cast<std::size_t>(offset), static_cast<std::size_t>(count), text);
}

// Moves first, its following siblings and all their descendants by delta.
void CXmlparse::ShiftSubtrees(Offset first, Offset delta)
{
    if (first == 0)
        return;
    const Offset top = m_aElems[first].Parent;
    Offset slot = first;
    for (;;) {
        ElemPos& elem = m_aElems[slot];
        elem.TagOpen += delta;
        elem.TagClose += delta;
        elem.EndOpen += delta;
        elem.EndClose += delta;
        if (elem.FirstChild != 0) {
            slot = elem.FirstChild;
            continue;
        }
        for (;;) {
            if (m_aElems[slot].Next != 0) {
                slot = m_aElems[slot].Next;
                break;
            }
            slot = m_aElems[slot].Parent;
            if (slot == top)
                return;
        }
    }
}

// After text changed at or inside slot's start tag: everything that follows in the document
// moves by delta, and every ancestor's end tag with it. The slot itself is left to the caller.
void CXmlparse::ShiftPositions(Offset slot, Offset delta)
{
    if (delta == 0)
        return;
    ShiftSubtrees(m_aElems[slot].FirstChild, delta);
    for (Offset node = slot; node != 0; node = m_aElems[node].Parent) {
        ShiftSubtrees(m_aElems[node].Next, delta);
        ElemPos& parent = m_aElems[m_aElems[node].Parent];
        parent.EndOpen += delta;
        parent.EndClose += delta;
    }
}

bool CXmlparse::SetAttribute(std::string_view name, std::string_view value)
{
    if (m_iCurPos == 0 || m_nCurKind != 1 || !IsPlainName(name))
        return false;
    const std::string escaped = Escape(value);
    const Offset slot = m_iCurPos;
    Offset offset = 0;
    Offset replaced = 0;
    std::string inserted;
    ParseToken found;
    if (FindAttribute(slot, name, found)) {
        // A value whose closing quote is missing or lies beyond the tag's '>' is not something
        // this element's offsets can follow; rewriting it could swallow the rest of the document.
        if (found.Right + 1 >= m_aElems[slot].TagClose)
            return false;
        offset = found.Left;
        replaced = found.Right - found.Left + 1;
        inserted = escaped;
    } else {
        inserted.reserve(name.size() + escaped.size() + 4);
        inserted.append(" ").append(name).append("=\"").append(escaped).append("\"");
        offset = IsEmptyElement(slot) ? m_aElems[slot].TagClose - 1 : m_aElems[slot].TagClose;
    }
    if (!FitsText(m_strText.size(), inserted.size(), static_cast<std::size_t>(replaced)))
        return false;

    ReplaceText(offset, replaced, inserted);
    const Offset delta = static_cast<Offset>(inserted.size()) - replaced;
    ElemPos& elem = m_aElems[slot];
    elem.TagClose += delta;
    elem.EndOpen += delta;
    elem.EndClose += delta;
    ShiftPositions(slot, delta);
    return true;
}

// Where a new element below parent goes when added after the given child (0: as the last child),
// and which sibling it follows (0: none).
Offset CXmlparse::LocateInsert(Offset parent, Offset after, Offset& previous) const
{
    const std::string_view text = m_strText;
    const bool emptyParent = parent != 0 && IsEmptyElement(parent);
    Offset offset = 0;
    if (after != 0)
        offset = m_aElems[after].EndClose + 1;
    else if (parent == 0)
        offset = TextLength();
    else if (emptyParent)
        offset = m_aElems[parent].TagClose;
    else
        offset = m_aElems[parent].EndOpen;
    offset = Clamp(offset, text);
    if (!emptyParent) {
        // Go to the start of the next tag line, after the line break.
        const Offset next = SkipWhiteSpace(text, offset);
        if (next >= TextLength() || text[static_cast<std::size_t>(next)] == '<')
            offset = next;
    }
    previous = after != 0 ? after : LastChild(parent);
    return offset;
}

bool CXmlparse::AddElement(std::string_view name)
{
    if (m_aElems.empty() || !IsPlainName(name))
        return false;
    const Offset parent = m_iParentPos;
    if (parent == 0) {
        if (m_aElems[0].FirstChild != 0)
            return false;
        m_aElems[0].EndOpen = TextLength();
    }

    Offset previous = 0;
    Offset offset = LocateInsert(parent, m_iCurPos, previous);
    const bool emptyParent = IsEmptyElement(parent);
    const bool bareParent = m_aElems[parent].TagClose + 1 == m_aElems[parent].EndOpen;

    std::string element;
    element.reserve(name.size() + 5);
    element.append("<").append(name).append("/>\r\n");
    std::string inserted;
    Offset at = offset;
    Offset replaced = 0;
    std::string_view parentName;
    if (emptyParent) {
        // <P/> becomes <P>, the new line and </P>: the '/' gives way to the rest. A start tag
        // that would still read as empty afterwards (<P//>), or a name that cannot stand in an
        // end tag, would leave the index out of step with the text.
        parentName = TagName(parent);
        const Offset slash = m_aElems[parent].TagClose - 1;
        if (!IsPlainName(parentName) || m_strText[static_cast<std::size_t>(slash) - 1] == '/')
            return false;
        inserted.append(">\r\n").append(element).append("</").append(parentName);
        at = m_aElems[parent].TagClose - 1;
        replaced = 1;
    } else if (bareParent) {
        inserted.append("\r\n").append(element);
        at = m_aElems[parent].TagClose + 1;
    } else {
        inserted = std::move(element);
    }
    if (!FitsText(m_strText.size(), inserted.size(), static_cast<std::size_t>(replaced)))
        return false;
    if (emptyParent || bareParent)
        offset += 2;

    const Offset slot = TakeSlot();
    ElemPos& elem = m_aElems[slot];
    elem = ElemPos {};
    elem.TagOpen = offset;
    elem.Parent = parent;
    if (previous != 0) {
        elem.Next = m_aElems[previous].Next;
        m_aElems[previous].Next = slot;
    } else {
        elem.Next = m_aElems[parent].FirstChild;
        m_aElems[parent].FirstChild = slot;
    }
    elem.TagClose = offset + static_cast<Offset>(name.size()) + 2;
    elem.EndOpen = elem.TagClose - 1;
    elem.EndClose = elem.EndOpen + 1;

    if (emptyParent) {
        m_aElems[parent].TagClose -= 1;
        m_aElems[parent].EndOpen -= static_cast<Offset>(parentName.size()) + 1;
    }
    ReplaceText(at, replaced, inserted);
    ShiftPositions(slot, static_cast<Offset>(inserted.size()) - replaced);

    m_iCurPos = slot;
    m_iChildPos = 0;
    m_nCurKind = 1;
    return true;
}

} // namespace persist
